// One worker of the soak: a network of its own (a private network and host
// name, its own Coordinator and bnsim), and the runs made in it, each under
// its plan's fault and checked against the rules of invariants.h.
//
// Use from one thread, in a process that may own the network: the private
// network is the whole process's (a forked child of the driver).
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "harness/backup_network.h"
#include "soak/plan.h"

namespace soak {

class Worker {
public:
    // Starts the network. Throws std::runtime_error when it cannot run here
    // (no network of its own) or a service does not come up.
    explicit Worker(const std::string& hostname);

    // The banner's lines, as `cvcc --Help` prints them first.
    std::string Banner();
    // The requests a faultless run of each key makes.
    Requests Probe();
    // Makes one run and answers its line of runs.jsonl: the plan, the exit
    // code and time, the rules broken, and the services' descriptors and
    // threads after it. Throws when the run cannot be made; a run that was
    // started is waited for and a stopped service continued all the same.
    nlohmann::json Run(const Plan& plan, const std::string& banner);

private:
    // Starts bnsim afresh, with a fresh Coordinator when the old one keeps a
    // dead binding in bnsim's way.
    void StartSimulator(const std::string& scenario);
    // Strikes the plan's fault at its target request, unless the run ends first.
    void StrikeAtTarget(const Plan& plan, std::size_t journalStart);

    harness::BackupNetwork net_;
    bool base_ = false;             // bnsim plays the base scenario, unchanged
    bool coordinatorGone_ = false;  // a fault killed omniNames
    bool started_ = false;          // a fresh Coordinator: bnsim must bind again
};

}  // namespace soak
