// A live workstation ("workstation:NAME") and what a server reaches through
// it: sessions ("wsession:N") and their data interfaces ("wread:N",
// "wwrite:N", "wcopy:N", "wbrowse:N", "wsettings:N"). The file system behind
// them is empty: listings are empty, reads end at once, writes succeed.
#pragma once

#include "BackupWorkstation.hh"
#include "sim/sim_object.h"

namespace bnsim {

// "workstation:NAME", or "workstation:NAME.KIND" when the kind is not
// "workstation", as nameclt writes names.
std::string WorkstationObjectName(const WorkstationSpec& plan);

class WorkstationServant : public POA_BackupWorkstation::Workstation, public SimObject {
public:
    WorkstationServant(Simulation& sim, const WorkstationSpec& plan);

    CORBA::WChar* name() override { return GetText("name"); }
    CORBA::WChar* host() override { return GetText("host"); }
    BackupWorkstation::Session_ptr OpenSession(BackupNetwork::Session_ptr serverSession,
                                               BackupNetwork::Log_ptr serverLog) override;
    void CloseSession(BackupWorkstation::Session_ptr workstationSession) override;
    void ping() override;
    void Shutdown() override;
};

class WorkstationSessionServant : public POA_BackupWorkstation::Session, public SimObject {
public:
    WorkstationSessionServant(Simulation& sim, const std::string& name) : SimObject(sim, name) {}

    BackupWorkstation::IDLBackupDataRead_ptr GetReadInterface() override;
    BackupWorkstation::IDLBackupDataWrite_ptr GetWriteInterface() override;
    BackupWorkstation::IDLBackupDataCopy_ptr GetCopyInterface(
        const BackupWorkstation::ISettings& copySettings,
        BackupWorkstation::Session_ptr otherSession) override;
    BackupWorkstation::IDLBackupDataBrowse_ptr GetBackupInterface(
        const BackupNetwork::WStringsList& items) override;
    BackupWorkstation::WorkstationSettings_ptr GetSettings() override;
};

// Activates a fresh write interface ("wwrite:N"), for sessions and copies.
BackupWorkstation::IDLBackupDataWrite_ptr NewWriteInterface(Simulation& sim);

}  // namespace bnsim
