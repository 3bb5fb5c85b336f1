// The rules every run of the soak must keep, whatever its fault: checked on
// what the run printed, its exit code and bnsim's journal of the requests
// the run made.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "harness/backup_network.h"
#include "soak/plan.h"

namespace soak {

struct Outcome {
    harness::CvccResult result;
    std::vector<nlohmann::json> journal;  // the requests of this run alone
    bool serverSurvived = false;          // bnsim answers after the run
    // After a sweep, with the Coordinator alive: the bindings of the network
    // context (nameclt's listing).
    std::optional<std::string> bindingsAfter;
    std::chrono::milliseconds bound{0};   // the longest the run may take
};

// What the run broke, one sentence each; none when it kept every rule.
// `banner` is the banner's lines as `cvcc --Help` prints them first.
std::vector<std::string> Violations(const Plan& plan, const Outcome& outcome,
                                    const std::string& banner);

}  // namespace soak
