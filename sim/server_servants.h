// The backup server ("server") and its sessions ("session:1", "session:2"...
// in the order they were opened).
#pragma once

#include "BackupNetwork.hh"
#include "sim/sim_object.h"

namespace bnsim {

// Activates the scenario's tasks in scenario order and lists them in the
// simulation. Call once, before the server is bound.
void CreateTasks(Simulation& sim);

class ServerServant : public POA_BackupNetwork::Server, public SimObject {
public:
    explicit ServerServant(Simulation& sim) : SimObject(sim, "server") {}

    CORBA::WChar* version() override;
    CORBA::WChar* host() override { NotServed("_get_host"); }
    BackupNetwork::Session_ptr ActivateSession(const CORBA::WChar* login,
                                               const CORBA::WChar* extra) override;
    void DeactivateSession(BackupNetwork::Session_ptr session) override;
    char* stats() override { NotServed("stats"); }
    void SendTestEmail() override { NotServed("SendTestEmail"); }
    void ReloadSettings() override { NotServed("ReloadSettings"); }
    void ping() override { NotServed("ping", true); }
    void ShutdownServer() override;
};

class SessionServant : public POA_BackupNetwork::Session, public SimObject {
public:
    SessionServant(Simulation& sim, const std::string& name) : SimObject(sim, name) {}

    BackupNetwork::ServerSettings_ptr settings() override;
    CORBA::WChar* login() override { NotServed("_get_login"); }
    CORBA::ULong id() override { NotServed("_get_id"); }
    BackupNetwork::Session::Workstations* GetWorkstations() override {
        NotServed("GetWorkstations");
    }
    BackupNetwork::Link_ptr OpenLink(const CORBA::WChar*, const CORBA::WChar*) override {
        NotServed("OpenLink");
    }
    void CloseLink(BackupNetwork::Link_ptr) override { NotServed("CloseLink"); }
    BackupNetwork::Task_ptr CreateTask() override { NotServed("CreateTask"); }
    void DeleteTask(BackupNetwork::TaskUID taskId) override;
    BackupNetwork::TasksList* tasks() override;
    BackupNetwork::Task_ptr GetTask(BackupNetwork::TaskUID) override { NotServed("GetTask"); }
    BackupNetwork::Task_ptr GetTaskByName(const CORBA::WChar*) override {
        NotServed("GetTaskByName");
    }
    CORBA::WChar* GetDataStorageBNP(const CORBA::WChar*) override {
        NotServed("GetDataStorageBNP");
    }
    void Deactivate() override { NotServed("Deactivate"); }
};

}  // namespace bnsim
