#include "sim/workstation_servants.h"

#include "utility/strings.h"

namespace bnsim {
namespace {

using BackupWorkstation::IDLErrorID;
using nlohmann::json;

// The read side that every data interface shares; Skeleton is the POA class
// of IDLBackupDataRead or of an interface derived from it.
template <class Skeleton>
class DataReadServant : public Skeleton, public SimObject {
public:
    DataReadServant(Simulation& sim, const std::string& name) : SimObject(sim, name) {}

    IDLErrorID SetRoot(const CORBA::WChar* rootPath) override {
        auto lock = Enter("SetRoot", {{"rootPath", Utf8(rootPath)}});
        return BackupWorkstation::SUCCESS;
    }
    IDLErrorID GetListing(const CORBA::WChar* path, BackupWorkstation::List_out listing) override {
        auto lock = Enter("GetListing", {{"path", Utf8(path)}});
        listing = new BackupWorkstation::List;
        return BackupWorkstation::SUCCESS;
    }
    IDLErrorID GetElementAttributes(const CORBA::WChar* path,
                                    BackupWorkstation::Attributes&) override {
        auto lock = Enter("GetElementAttributes", {{"path", Utf8(path)}});
        return BackupWorkstation::PATH_NOT_FOUND;
    }
    CORBA::Boolean IsPathExists(const CORBA::WChar* path) override {
        auto lock = Enter("IsPathExists", {{"path", Utf8(path)}});
        return false;
    }
    IDLErrorID OpenFile(const CORBA::WChar* path, BackupWorkstation::FileAccessMode mode,
                        CORBA::ULong& handle) override {
        auto lock =
            Enter("OpenFile", {{"path", Utf8(path)}, {"mode", static_cast<unsigned>(mode)}});
        return NewHandle(handle);
    }
    IDLErrorID OpenFileSignature(const CORBA::WChar* path, CORBA::ULong& handle) override {
        auto lock = Enter("OpenFileSignature", {{"path", Utf8(path)}});
        return NewHandle(handle);
    }
    IDLErrorID OpenFilePatch(const CORBA::WChar* path1, const CORBA::WChar* path2,
                             CORBA::ULong& handle) override {
        auto lock = Enter("OpenFilePatch", {{"path1", Utf8(path1)}, {"path2", Utf8(path2)}});
        return NewHandle(handle);
    }
    IDLErrorID ReadFile(BackupNetwork::BinaryData& data, CORBA::ULong& size,
                        CORBA::ULong handle) override {
        auto lock = Enter("ReadFile", {{"size", size}, {"handle", handle}});
        data.length(0);
        size = 0;
        return BackupWorkstation::HANDLE_EOF;
    }
    IDLErrorID CloseFile(CORBA::ULong handle) override {
        auto lock = Enter("CloseFile", {{"handle", handle}});
        return BackupWorkstation::SUCCESS;
    }
    void OnStop() override { auto lock = Enter("OnStop"); }

protected:
    IDLErrorID NewHandle(CORBA::ULong& handle) {
        handle = static_cast<CORBA::ULong>(sim_.NextNumber("file handle"));
        return BackupWorkstation::SUCCESS;
    }
};

class DataWriteServant : public DataReadServant<POA_BackupWorkstation::IDLBackupDataWrite> {
public:
    using DataReadServant::DataReadServant;

    IDLErrorID BeginTransaction() override { return Succeed("BeginTransaction", {}); }
    IDLErrorID CommitTransaction() override { return Succeed("CommitTransaction", {}); }
    IDLErrorID OpenFilePatching(const CORBA::WChar* path1, const CORBA::WChar* path2,
                                CORBA::ULong& handle) override {
        auto lock = Enter("OpenFilePatching", {{"path1", Utf8(path1)}, {"path2", Utf8(path2)}});
        return NewHandle(handle);
    }
    IDLErrorID WriteFile(const BackupNetwork::BinaryData& data, CORBA::ULong& size,
                         CORBA::ULong handle) override {
        auto lock =
            Enter("WriteFile", {{"bytes", data.length()}, {"size", size}, {"handle", handle}});
        size = data.length();
        return BackupWorkstation::SUCCESS;
    }
    IDLErrorID SetElementAttributes(const CORBA::WChar* path,
                                    const BackupWorkstation::Attributes&) override {
        return Succeed("SetElementAttributes", {{"path", Utf8(path)}});
    }
    IDLErrorID CreateFolder(const CORBA::WChar* path) override {
        return Succeed("CreateFolder", {{"path", Utf8(path)}});
    }
    IDLErrorID DeleteFolder(const CORBA::WChar* path) override {
        return Succeed("DeleteFolder", {{"path", Utf8(path)}});
    }
    IDLErrorID DeleteFile(const CORBA::WChar* path) override {
        return Succeed("DeleteFile", {{"path", Utf8(path)}});
    }

private:
    IDLErrorID Succeed(const char* operation, const json& args) {
        auto lock = Enter(operation, args.is_null() ? json::object() : args);
        return BackupWorkstation::SUCCESS;
    }
};

class DataBrowseServant : public DataReadServant<POA_BackupWorkstation::IDLBackupDataBrowse> {
public:
    using DataReadServant::DataReadServant;
    void Free() override { auto lock = Enter("Free"); }
};

class DataCopyServant : public POA_BackupWorkstation::IDLBackupDataCopy, public SimObject {
public:
    DataCopyServant(Simulation& sim, const std::string& name) : SimObject(sim, name) {}

    IDLErrorID StartCopying(const CORBA::WChar* path) override {
        auto lock = Enter("StartCopying", {{"path", Utf8(path)}});
        return BackupWorkstation::SUCCESS;
    }
    IDLErrorID CopyFile(const CORBA::WChar* path1, const CORBA::WChar* path2,
                        CORBA::Boolean flag) override {
        auto lock = Enter(
            "CopyFile",
            {{"path1", Utf8(path1)}, {"path2", Utf8(path2)}, {"flag", static_cast<bool>(flag)}});
        return BackupWorkstation::SUCCESS;
    }
    IDLErrorID CopyFileDiff(const CORBA::WChar* path1, const CORBA::WChar* path2,
                            const CORBA::WChar* path3, CORBA::Boolean flag) override {
        auto lock = Enter("CopyFileDiff", {{"path1", Utf8(path1)},
                                           {"path2", Utf8(path2)},
                                           {"path3", Utf8(path3)},
                                           {"flag", static_cast<bool>(flag)}});
        return BackupWorkstation::SUCCESS;
    }
    IDLErrorID FinishCopying() override {
        auto lock = Enter("FinishCopying");
        return BackupWorkstation::SUCCESS;
    }
    BackupWorkstation::IDLBackupDataWrite_ptr GetSourceFS() override {
        auto lock = Enter("GetSourceFS");
        return NewWriteInterface(sim_);
    }
    BackupWorkstation::IDLBackupDataWrite_ptr GetTargetFS(CORBA::Boolean flag) override {
        auto lock = Enter("GetTargetFS", {{"flag", static_cast<bool>(flag)}});
        return NewWriteInterface(sim_);
    }
    void OnStop() override { auto lock = Enter("OnStop"); }
};

class WorkstationSettingsServant : public POA_BackupWorkstation::WorkstationSettings,
                                   public SimObject {
public:
    WorkstationSettingsServant(Simulation& sim, const std::string& name) : SimObject(sim, name) {
        attrs_["tempFolder"] = "/tmp";
    }
    IDLErrorID SetTempFolder(const CORBA::WChar* path, CORBA::Boolean flag) override {
        auto lock =
            Enter("SetTempFolder", {{"path", Utf8(path)}, {"flag", static_cast<bool>(flag)}});
        attrs_["tempFolder"] = Utf8(path);
        return BackupWorkstation::SUCCESS;
    }
    CORBA::WChar* GetTempFolder() override {
        auto lock = Enter("GetTempFolder");
        return WireDupUtf8(attrs_["tempFolder"].get<std::string>());
    }
    CORBA::WChar* GetDefaultTempFolder() override {
        auto lock = Enter("GetDefaultTempFolder");
        return WireDupUtf8("/tmp");
    }
};

template <class Interface, class Servant>
typename Interface::_ptr_type Make(Simulation& sim, const std::string& kind) {
    const std::string name = sim.NextName(kind);
    CORBA::Object_var obj = sim.Activate(new Servant(sim, name), name);
    return Interface::_narrow(obj);
}

}  // namespace

BackupWorkstation::IDLBackupDataWrite_ptr NewWriteInterface(Simulation& sim) {
    return Make<BackupWorkstation::IDLBackupDataWrite, DataWriteServant>(sim, "wwrite");
}

std::string WorkstationObjectName(const WorkstationSpec& plan) {
    return "workstation:" + plan.name + (plan.kind == "workstation" ? "" : "." + plan.kind);
}

WorkstationServant::WorkstationServant(Simulation& sim, const WorkstationSpec& plan)
    : SimObject(sim, WorkstationObjectName(plan)) {
    attrs_ = {{"name", CVLib::strings::toAstr(plan.displayName)},
              {"host", plan.host.empty() ? sim.host() : CVLib::strings::toAstr(plan.host)}};
}

BackupWorkstation::Session_ptr WorkstationServant::OpenSession(
    BackupNetwork::Session_ptr serverSession, BackupNetwork::Log_ptr serverLog) {
    auto lock = Enter("OpenSession", {{"serverSession", sim_.NameOf(serverSession)},
                                      {"serverLog", sim_.NameOf(serverLog)}});
    return Make<BackupWorkstation::Session, WorkstationSessionServant>(sim_, "wsession");
}

void WorkstationServant::CloseSession(BackupWorkstation::Session_ptr workstationSession) {
    const std::string which = sim_.NameOf(workstationSession);
    auto lock = EnterOneway("CloseSession", {{"workstationSession", which}});
    if (which.rfind("wsession:", 0) == 0) sim_.Deactivate(which);
}

void WorkstationServant::ping() {
    auto lock = EnterOneway("ping");
}
void WorkstationServant::Shutdown() {
    auto lock = EnterOneway("Shutdown");
}

BackupWorkstation::IDLBackupDataRead_ptr WorkstationSessionServant::GetReadInterface() {
    auto lock = Enter("GetReadInterface");
    return Make<BackupWorkstation::IDLBackupDataRead,
                DataReadServant<POA_BackupWorkstation::IDLBackupDataRead>>(sim_, "wread");
}

BackupWorkstation::IDLBackupDataWrite_ptr WorkstationSessionServant::GetWriteInterface() {
    auto lock = Enter("GetWriteInterface");
    return NewWriteInterface(sim_);
}

BackupWorkstation::IDLBackupDataCopy_ptr WorkstationSessionServant::GetCopyInterface(
    const BackupWorkstation::ISettings& copySettings, BackupWorkstation::Session_ptr otherSession) {
    auto lock = Enter("GetCopyInterface", {{"useIndex", static_cast<bool>(copySettings.useIndex)},
                                           {"filters", ListToJson(copySettings.filters)},
                                           {"progress", sim_.NameOf(copySettings.progress)},
                                           {"otherSession", sim_.NameOf(otherSession)}});
    return Make<BackupWorkstation::IDLBackupDataCopy, DataCopyServant>(sim_, "wcopy");
}

BackupWorkstation::IDLBackupDataBrowse_ptr WorkstationSessionServant::GetBackupInterface(
    const BackupNetwork::WStringsList& items) {
    auto lock = Enter("GetBackupInterface", {{"items", ListToJson(items)}});
    return Make<BackupWorkstation::IDLBackupDataBrowse, DataBrowseServant>(sim_, "wbrowse");
}

BackupWorkstation::WorkstationSettings_ptr WorkstationSessionServant::GetSettings() {
    auto lock = Enter("GetSettings");
    return Make<BackupWorkstation::WorkstationSettings, WorkstationSettingsServant>(sim_,
                                                                                    "wsettings");
}

}  // namespace bnsim
