// The wire facts the client relies on, written from the protocol rather than
// from the generated code: the repository ids it asks for and narrows to,
// the ordinals of the task statuses it reads, and, for every operation it
// calls, the name, whether a reply is awaited and the argument bytes as they
// reach a peer that knows no IDL. An IDL that disagrees fails here even where
// every stub agrees with itself.
#include <gtest/gtest.h>

#include <cstdio>

#include "BackupNetwork.hh"
#include "BackupWorkstation.hh"
#include "harness/coordinator.h"
#include "harness/giop_peer.h"
#include "tests/support/loopback_orb.h"

namespace idltest {
namespace {

namespace BN = BackupNetwork;
using Target = CORBA::Object_ptr;

const char kServer[] = "IDL:tarmelin/BackupNetwork/Server:1.0";
const char kSession[] = "IDL:tarmelin/BackupNetwork/Session:1.0";
const char kTask[] = "IDL:tarmelin/BackupNetwork/Task:1.0";
const char kProps[] = "IDL:tarmelin/BackupNetwork/TaskProperties:1.0";
const char kSettings[] = "IDL:tarmelin/BackupNetwork/ServerSettings:1.0";
const char kWorkstation[] = "IDL:BackupWorkstation/Workstation:1.0";
const char kLog[] = "IDL:tarmelin/BackupNetwork/Log:1.0";

TEST(WireContract, RepositoryIds) {
    // clang-format off
    const std::pair<CORBA::TypeCode_ptr, const char*> rows[] = {
        {BN::_tc_Server, kServer},         {BN::_tc_Session, kSession},
        {BN::_tc_Task, kTask},             {BN::_tc_TaskProperties, kProps},
        {BN::_tc_ServerSettings, kSettings}, {BackupWorkstation::_tc_Workstation, kWorkstation}, {BN::_tc_Log, kLog},
        {BN::_tc_TaskStatus, "IDL:tarmelin/BackupNetwork/TaskStatus:1.0"},
    };
    // clang-format on
    for (const auto& [type, id] : rows) EXPECT_STREQ(type->id(), id);
}

// The client compares statuses with the enumerators; the server sends the
// ordinals.
TEST(WireContract, TaskStatusOrdinals) {
    // clang-format off
    const BN::TaskStatus inOrder[] = {
        BN::tsBackup,         BN::tsRestore,         BN::tsSynchronize,       BN::tsRefresh,
        BN::tsWaiting,        BN::tsWaitingSchedule, BN::tsSuccess,           BN::tsSuccessSchedule,
        BN::tsError,          BN::tsErrorSchedule,   BN::tsStopped,           BN::tsQuotaExceeded,
        BN::tsAccountExpired, BN::tsSilentDeclined,  BN::tsSuccessWithErrors,
        BN::tsSuccessScheduleWithErrors, BN::tsTotal};
    // clang-format on
    for (unsigned i = 0; i < std::size(inOrder); ++i) EXPECT_EQ(unsigned(inOrder[i]), i);
    EXPECT_EQ(BN::_tc_TaskStatus->member_count(), std::size(inOrder));
}

std::string Hex(const std::string& bytes) {
    std::string hex;
    char digits[3];
    for (unsigned char b : bytes) hex += (std::snprintf(digits, sizeof digits, "%02x", b), digits);
    return hex;
}

struct Row {
    const char* typeId;
    const char* operation;
    bool oneway;
    // The argument bytes in hex, little-endian as omniORB sends them here; a
    // wide string is its length in bytes and UTF-16 after a byte order mark,
    // a nil reference an empty type id and no profiles.
    const char* args;
    std::function<void(Target)> invoke;
};

template <class Interface>
typename Interface::_var_type As(Target target) {
    return Interface::_unchecked_narrow(target);
}

// clang-format off
const Row kRows[] = {
    {kServer, "_get_version", false, "", [](Target t) { CORBA::WString_var(As<BN::Server>(t)->version()); }},
    {kServer, "ActivateSession", false, "06000000fffe75007300000000000000",
     [](Target t) { BN::Session_var(As<BN::Server>(t)->ActivateSession(L"us", L"")); }},
    {kServer, "DeactivateSession", true, "010000000000000000000000",
     [](Target t) { As<BN::Server>(t)->DeactivateSession(BN::Session::_nil()); }},
    {kServer, "ShutdownServer", true, "", [](Target t) { As<BN::Server>(t)->ShutdownServer(); }},
    {kSession, "_get_tasks", false, "", [](Target t) { BN::TasksList_var(As<BN::Session>(t)->tasks()); }},
    {kSession, "_get_settings", false, "", [](Target t) { BN::ServerSettings_var(As<BN::Session>(t)->settings()); }},
    {kSession, "DeleteTask", true, "07000000", [](Target t) { As<BN::Session>(t)->DeleteTask(7); }},
    {kTask, "_get_props", false, "", [](Target t) { BN::TaskProperties_var(As<BN::Task>(t)->props()); }},
    {kTask, "GetStatus", false, "", [](Target t) { As<BN::Task>(t)->GetStatus(); }},
    {kTask, "Start", true, "", [](Target t) { As<BN::Task>(t)->Start(); }},
    {kTask, "Stop", true, "", [](Target t) { As<BN::Task>(t)->Stop(); }},
    {kTask, "_get_log", false, "", [](Target t) { BN::Log_var(As<BN::Task>(t)->log()); }},
    {kLog, "Open", false, "", [](Target t) { As<BN::Log>(t)->Open(); }},
    {kLog, "GetNextLine", false, "", [](Target t) { CORBA::WString_var line; As<BN::Log>(t)->GetNextLine(line.out()); }},
    {kLog, "Close", true, "", [](Target t) { As<BN::Log>(t)->Close(); }},
    {kProps, "_get_id", false, "", [](Target t) { As<BN::TaskProperties>(t)->id(); }},
    {kProps, "_get_dname", false, "", [](Target t) { CORBA::WString_var(As<BN::TaskProperties>(t)->dname()); }},
    {kSettings, "_set_proxyHost", false, "06000000fffe70007800", [](Target t) { As<BN::ServerSettings>(t)->proxyHost(L"px"); }},
    {kSettings, "_set_proxyPort", false, "380c0000", [](Target t) { As<BN::ServerSettings>(t)->proxyPort(3128); }},
    {kWorkstation, "_get_name", false, "", [](Target t) { CORBA::WString_var(As<BackupWorkstation::Workstation>(t)->name()); }},
};
// clang-format on

TEST(WireContract, OperationsTheClientCalls) {
    harness::GiopPeer peer(
        [](const harness::GiopRequest&) { return harness::GiopPeer::Answer::Raise; });
    CORBA::ORB_ptr orb = support::LoopbackOrb();
    std::size_t sent = 0;
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.operation);
        CORBA::Object_var target =
            orb->string_to_object(harness::LoopbackIor(row.typeId, peer.port(), "k").c_str());
        try {
            row.invoke(target);
            EXPECT_TRUE(row.oneway) << "a reply of NO_IMPLEMENT was not seen";
        } catch (const CORBA::NO_IMPLEMENT&) {
            EXPECT_FALSE(row.oneway);
        } catch (const CORBA::SystemException& e) {
            ADD_FAILURE() << e._name() << " " << e.minor();
        }
        const auto requests = peer.AwaitRequests(++sent);
        ASSERT_EQ(requests.size(), sent);
        EXPECT_EQ(requests.back().operation, row.operation);
        EXPECT_EQ(requests.back().expectsReply, !row.oneway);
        EXPECT_EQ(Hex(requests.back().args), row.args);
    }
}

}  // namespace
}  // namespace idltest
