// The state the simulated network shares between its servants: the ORB and
// the POA they live in, the journal, the fault plan, the server's task list
// and the counters that name new objects.
//
// Every servant call enters through Enter, which journals the request,
// applies the faults and holds the simulation's lock until the call
// returns, so servants need no locks of their own. One Simulation a process;
// it must outlive the ORB's last upcall.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "BackupNetwork.hh"
#include "sim/faults.h"
#include "sim/journal.h"
#include "sim/scenario.h"

namespace bnsim {

class TaskServant;

struct LiveTask {
    std::int32_t id;
    std::wstring name;
    TaskServant* servant;  // owned by the POA
    BackupNetwork::Task_var ref;
};

class Simulation {
public:
    // `host` is the name the server is bound under, and the host a
    // workstation answers when its scenario gives none.
    Simulation(CORBA::ORB_ptr orb, Journal& journal, Scenario scenario, std::string host);
    // Destroys the simulation's POA and with it every servant.
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    using Lock = std::unique_lock<std::recursive_mutex>;
    // Journals the request, then applies the faults planned for it (which may
    // throw or end the process). The lock is held while the result lives.
    [[nodiscard]] Lock Enter(const std::string& object, const char* operation,
                             const nlohmann::json& args, bool oneway);

    // Activates the servant under `name` (its journal name) and hands the
    // servant's reference to the POA. Answers a new reference.
    CORBA::Object_ptr Activate(PortableServer::ServantBase* servant, const std::string& name);
    // Deactivates the object: later requests to it raise OBJECT_NOT_EXIST.
    void Deactivate(const std::string& name);
    // A reference to `name` on this process's endpoint with no object behind
    // it: every call raises OBJECT_NOT_EXIST.
    CORBA::Object_ptr ReferenceWithoutObject(const std::string& name, const char* typeId);
    // The journal name of one of our objects; "nil", or "foreign" for a
    // reference to another process.
    std::string NameOf(CORBA::Object_ptr ref);
    // "link:1", "link:2"...
    std::string NextName(const std::string& kind);
    // 1, 2, 3... counted for each key apart.
    int NextNumber(const std::string& key);

    // Ends the process the way SIGTERM does: bindings removed, exit 0.
    void RequestStop();

    const Scenario& scenario() const { return scenario_; }
    const std::string& host() const { return host_; }
    CORBA::ORB_ptr orb() { return orb_; }

    // The server's tasks, in scenario order (under the lock).
    std::vector<LiveTask>& tasks() { return tasks_; }
    // The one ServerSettings object, made on first use (under the lock).
    BackupNetwork::ServerSettings_ptr Settings();

private:
    CORBA::ORB_var orb_;
    PortableServer::POA_var poa_;
    Journal& journal_;
    Scenario scenario_;
    std::string host_;
    FaultPlan faults_;
    std::recursive_mutex mutex_;
    std::map<std::string, int> counters_;
    std::vector<LiveTask> tasks_;
    BackupNetwork::ServerSettings_var settings_;
};

}  // namespace bnsim
