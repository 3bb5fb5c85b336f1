// The server's settings and the small objects around a session: the
// ServerSettings ("settings"), links ("link:N"), logs ("log:N") and the
// progress sink that also serves as an object that is neither server nor
// workstation ("impostor").
#pragma once

#include "BackupNetwork.hh"
#include "sim/sim_object.h"

namespace bnsim {

class ServerSettingsServant : public POA_BackupNetwork::ServerSettings, public SimObject {
public:
    // Starts from the scenario's settings.
    explicit ServerSettingsServant(Simulation& sim);

    CORBA::Boolean SetTempFolder(const CORBA::WChar* path, CORBA::Boolean flag) override;
    CORBA::WChar* GetTempFolder() override;
    CORBA::WChar* GetDefaultTempFolder() override;
    CORBA::Boolean proxyAutoDetect() override { return GetFlag("proxyAutoDetect"); }
    void proxyAutoDetect(CORBA::Boolean v) override { SetFlag("proxyAutoDetect", v); }
    CORBA::WChar* proxyHost() override { return GetText("proxyHost"); }
    void proxyHost(const CORBA::WChar* v) override { SetText("proxyHost", v); }
    CORBA::ULong proxyPort() override { return GetULong("proxyPort"); }
    void proxyPort(CORBA::ULong v) override { SetULong("proxyPort", v); }
    CORBA::WChar* proxyUser() override { return GetText("proxyUser"); }
    void proxyUser(const CORBA::WChar* v) override { SetText("proxyUser", v); }
    CORBA::WChar* proxyPassword() override { return GetText("proxyPassword"); }
    void proxyPassword(const CORBA::WChar* v) override { SetText("proxyPassword", v); }
    CORBA::ULong taskLogMaxSize() override { return GetULong("taskLogMaxSize"); }
    void taskLogMaxSize(CORBA::ULong v) override { SetULong("taskLogMaxSize", v); }
    CORBA::ULong sysLogMaxSize() override { return GetULong("sysLogMaxSize"); }
    void sysLogMaxSize(CORBA::ULong v) override { SetULong("sysLogMaxSize", v); }
    BackupNetwork::SMTP* smtp() override;
    void smtp(const BackupNetwork::SMTP& v) override;
    CORBA::WChar* defaultStorage() override { return GetText("defaultStorage"); }
    void defaultStorage(const CORBA::WChar* v) override { SetText("defaultStorage", v); }
    CORBA::WChar* lang() override { return GetText("lang"); }
    void lang(const CORBA::WChar* v) override { SetText("lang", v); }
};

class LinkServant : public POA_BackupNetwork::Link, public SimObject {
public:
    // `linkName` in UTF-8.
    LinkServant(Simulation& sim, const std::string& name, const std::string& linkName);

    CORBA::WChar* name() override { return GetText("name"); }
    CORBA::Boolean SetView(const CORBA::WChar* view) override;
    CORBA::Boolean GetView(CORBA::WString_out view) override;
    CORBA::Boolean SetParameter(const BackupNetwork::LinkParam& param) override;
    CORBA::Boolean GetParameter(const CORBA::WChar* paramName,
                                BackupNetwork::LinkParam& param) override;
    CORBA::Boolean SetHeader(const BackupNetwork::LinkParam& param) override;
    CORBA::Boolean GetHeader(const CORBA::WChar* headerName,
                             BackupNetwork::LinkParam& param) override;

private:
    CORBA::Boolean Store(const char* operation, const char* table,
                         const BackupNetwork::LinkParam& param);
    CORBA::Boolean Load(const char* operation, const char* table, const CORBA::WChar* key,
                        BackupNetwork::LinkParam& param);
};

// An empty log: it opens, has no lines and takes what is written.
class LogServant : public POA_BackupNetwork::Log, public SimObject {
public:
    LogServant(Simulation& sim, const std::string& name) : SimObject(sim, name) {}

    CORBA::WChar* filePath() override { return GetText("filePath"); }
    CORBA::Boolean Open() override;
    void Close() override;
    void Clear() override;
    void Rewind() override;
    CORBA::Boolean GetNextLine(CORBA::WString_out line) override;
    CORBA::Boolean Read(BackupNetwork::BinaryData& data, CORBA::ULong& size) override;
    void Write(BackupNetwork::IDLLogEvent event, const CORBA::WChar* message) override;
};

class OperationProgressServant : public POA_BackupNetwork::OperationProgress, public SimObject {
public:
    OperationProgressServant(Simulation& sim, const std::string& name) : SimObject(sim, name) {}
    void NextChunk(CORBA::LongLong amount) override;
};

}  // namespace bnsim
