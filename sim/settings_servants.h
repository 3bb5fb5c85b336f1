// The server's settings ("settings"), and a progress sink that serves as an
// object that is neither server nor workstation (a "notWorkstation" entry,
// the "impostor").
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

class OperationProgressServant : public POA_BackupNetwork::OperationProgress, public SimObject {
public:
    OperationProgressServant(Simulation& sim, const std::string& name) : SimObject(sim, name) {}
    void NextChunk(CORBA::LongLong) override { NotServed("NextChunk", true); }
};

}  // namespace bnsim
