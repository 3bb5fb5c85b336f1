// Faults on demand: the scenario's "faults" list, read and checked, and the
// plan that applies it to each request a servant receives.
//
// FaultPlan is not locked itself; the simulation calls it under its lock.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "sim/scenario.h"

namespace bnsim {

// Reads the "faults" array (null: none). Throws ScenarioError.
std::vector<FaultSpec> ReadFaults(const nlohmann::json* value, const std::string& file);

class FaultPlan {
public:
    explicit FaultPlan(std::vector<FaultSpec> faults);

    // Counts the call against every fault that matches it and carries out the
    // first one that applies: throws the CORBA exception, or ends the process
    // at once with exit status 3 (no reply, nothing unbound). Returns when
    // none applies.
    void Apply(const std::string& object, const std::string& operation);

private:
    struct Planned {
        FaultSpec rule;
        int calls = 0;
    };
    std::vector<Planned> faults_;
};

// Whether a journal name matches a fault's object pattern.
bool ObjectMatches(const std::string& pattern, const std::string& object);

}  // namespace bnsim
