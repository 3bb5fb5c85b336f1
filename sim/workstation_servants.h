// A live workstation ("workstation:NAME"): it answers its name and its host;
// its sessions and what a server would reach through them are not served.
#pragma once

#include "BackupWorkstation.hh"
#include "sim/sim_object.h"

namespace bnsim {

// "workstation:NAME", or "workstation:NAME.KIND" when the kind is not
// "workstation", as nameclt writes names.
std::string WorkstationObjectName(const WorkstationSpec& plan);

class WorkstationServant : public POA_BackupWorkstation::Workstation, public SimObject {
public:
    // forwardTo: when not empty, the reference every name read is forwarded
    // to (LOCATION_FORWARD), as a workstation behind a broken redirect.
    WorkstationServant(Simulation& sim, const WorkstationSpec& plan,
                       const std::string& forwardTo = "");

    CORBA::WChar* name() override;
    CORBA::WChar* host() override { return GetText("host"); }
    BackupWorkstation::Session_ptr OpenSession(BackupNetwork::Session_ptr,
                                               BackupNetwork::Log_ptr) override {
        NotServed("OpenSession");
    }
    void CloseSession(BackupWorkstation::Session_ptr) override { NotServed("CloseSession", true); }
    void ping() override { NotServed("ping", true); }
    void Shutdown() override { NotServed("Shutdown", true); }

private:
    std::string forwardTo_;
};

}  // namespace bnsim
