// What one run of the soak does: a key of cvcc, with or without --Json, and
// a fault of the network around it, drawn from the run's seed, so that the
// same seed and index give the same run again.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace soak {

// The faults, as the harness and bnsim can make them.
enum class Fault {
    None,
    Raise,              // a system exception from a call the key makes
    Crash,              // bnsim ends in the middle of a call the key makes
    AccessDenied,       // the server refuses the session
    ServerFrozen,       // bnsim stopped (SIGSTOP) for the whole run
    ServerKilled,       // bnsim killed once the run has made a given request
    CoordinatorKilled,  // omniNames killed once the run has made a given request
    CoordinatorFrozen,  // omniNames stopped for the whole run
    WorkstationGone,    // a dead workstation binding to sweep
    WorkstationHung,    // a workstation that accepts and never answers
    ServerDelayed,      // bnsim stopped for a while once the run has made a given request
    CoordinatorDelayed, // omniNames stopped for a while, the same way
};
const char* FaultName(Fault fault);

// The requests (object, operation) each key makes against the soak's
// network, in the order it makes them, as a faultless run journals them.
struct Request {
    std::string object;
    std::string operation;
};
using Requests = std::map<std::string, std::vector<Request>>;

struct Plan {
    std::uint64_t seed = 0;
    long index = 0;
    std::string key;                // the key's label, e.g. "--ExecuteId"
    bool json = false;
    std::vector<std::string> args;  // cvcc's arguments
    Fault fault = Fault::None;
    Request target;          // Raise, Crash and the killed and delayed faults
    int delayMs = 0;         // the delayed faults: how long the peer stands still,
    bool delayAtStart = false;  // from the run's start, or from the target request on
    std::string exception;   // Raise: the system exception's name
    std::string completed;   // Raise: "NO", "YES" or "MAYBE"
    // Whether bnsim must start afresh from the plan's own scenario: a
    // scripted fault, or a key that changes the server's state for good.
    bool freshServer = false;
    std::string scenario;    // bnsim's scenario for a fresh server
};

// The keys the soak draws from, each as cvcc's arguments without --Json.
const std::vector<std::pair<std::string, std::vector<std::string>>>& Keys();

// The scenario every run starts from: tasks that run, fail and log, live,
// dead and forwarding workstations. The soak's faults are added to it.
std::string BaseScenario(const std::vector<std::string>& faults = {},
                         const std::vector<std::string>& extraWorkstations = {});

// The run `index` of the soak seeded with `seed`.
Plan MakePlan(std::uint64_t seed, long index, const Requests& requests);

// The command line that replays a run.
std::string ReplayCommand(const std::string& program, const Plan& plan);

}  // namespace soak
