// The wire facts the client relies on, written from the protocol rather than
// from the generated code: the repository ids it asks for and narrows to,
// the name, oneway flag, result and parameters of every operation it calls
// (decoded by a servant that knows only this table), and the ordinals of the
// task statuses it reads. An IDL that disagrees fails here even where every
// stub agrees with itself.
#include <gtest/gtest.h>

#include "BackupNetwork.hh"
#include "BackupWorkstation.hh"
#include "operation_table.h"

namespace idltest {
namespace {

using namespace wire;
namespace BN = BackupNetwork;
using Target = CORBA::Object_ptr;

TEST(WireContract, RepositoryIds) {
    const std::pair<CORBA::TypeCode_ptr, const char*> rows[] = {
        {BN::_tc_Server, "IDL:tarmelin/BackupNetwork/Server:1.0"},
        {BN::_tc_Session, "IDL:tarmelin/BackupNetwork/Session:1.0"},
        {BN::_tc_Task, "IDL:tarmelin/BackupNetwork/Task:1.0"},
        {BN::_tc_TaskProperties, "IDL:tarmelin/BackupNetwork/TaskProperties:1.0"},
        {BN::_tc_ServerSettings, "IDL:tarmelin/BackupNetwork/ServerSettings:1.0"},
        {BN::_tc_TaskStatus, "IDL:tarmelin/BackupNetwork/TaskStatus:1.0"},
        {BackupWorkstation::_tc_Workstation, "IDL:BackupWorkstation/Workstation:1.0"},
    };
    for (const auto& [type, id] : rows) EXPECT_STREQ(type->id(), id);
}

// The client compares statuses with the enumerators; the server sends the
// ordinals.
TEST(WireContract, TaskStatusOrdinals) {
    const BN::TaskStatus inOrder[] = {
        BN::tsBackup,         BN::tsRestore,         BN::tsSynchronize,       BN::tsRefresh,
        BN::tsWaiting,        BN::tsWaitingSchedule, BN::tsSuccess,           BN::tsSuccessSchedule,
        BN::tsError,          BN::tsErrorSchedule,   BN::tsStopped,           BN::tsQuotaExceeded,
        BN::tsAccountExpired, BN::tsSilentDeclined,  BN::tsSuccessWithErrors,
        BN::tsSuccessScheduleWithErrors, BN::tsTotal};
    for (unsigned i = 0; i < std::size(inOrder); ++i) EXPECT_EQ(unsigned(inOrder[i]), i);
    EXPECT_EQ(BN::_tc_TaskStatus->member_count(), std::size(inOrder));
}

// clang-format off
TEST(WireContract, OperationsTheClientCalls) {
    CheckOperations("IDL:tarmelin/BackupNetwork/Server:1.0", {
        {"_get_version", Call::kTwoWay, WString(), {}, [](Target t) { Discard(As<BN::Server>(t)->version()); }},
        {"ActivateSession", Call::kTwoWay, Object(), {In(WString()), In(WString())},
         [](Target t) { Discard(As<BN::Server>(t)->ActivateSession(L"user", L"")); }},
        {"DeactivateSession", Call::kOneway, Void(), {In(Object())},
         [](Target t) { As<BN::Server>(t)->DeactivateSession(BN::Session::_nil()); }},
        {"ShutdownServer", Call::kOneway, Void(), {}, [](Target t) { As<BN::Server>(t)->ShutdownServer(); }},
    });
    CheckOperations("IDL:tarmelin/BackupNetwork/Session:1.0", {
        {"_get_tasks", Call::kTwoWay, Sequence(Object()), {}, [](Target t) { Discard(As<BN::Session>(t)->tasks()); }},
        {"_get_settings", Call::kTwoWay, Object(), {}, [](Target t) { Discard(As<BN::Session>(t)->settings()); }},
        {"DeleteTask", Call::kOneway, Void(), {In(Long())}, [](Target t) { As<BN::Session>(t)->DeleteTask(7); }},
    });
    CheckOperations("IDL:tarmelin/BackupNetwork/Task:1.0", {
        {"_get_props", Call::kTwoWay, Object(), {}, [](Target t) { Discard(As<BN::Task>(t)->props()); }},
        {"GetStatus", Call::kTwoWay, Enum(), {}, [](Target t) { As<BN::Task>(t)->GetStatus(); }},
        {"Start", Call::kOneway, Void(), {}, [](Target t) { As<BN::Task>(t)->Start(); }},
        {"Stop", Call::kOneway, Void(), {}, [](Target t) { As<BN::Task>(t)->Stop(); }},
    });
    CheckOperations("IDL:tarmelin/BackupNetwork/TaskProperties:1.0", {
        {"_get_id", Call::kTwoWay, Long(), {}, [](Target t) { As<BN::TaskProperties>(t)->id(); }},
        {"_get_dname", Call::kTwoWay, WString(), {}, [](Target t) { Discard(As<BN::TaskProperties>(t)->dname()); }},
    });
    CheckOperations("IDL:tarmelin/BackupNetwork/ServerSettings:1.0", {
        {"_set_proxyHost", Call::kTwoWay, Void(), {In(WString())}, [](Target t) { As<BN::ServerSettings>(t)->proxyHost(L"proxy"); }},
        {"_set_proxyPort", Call::kTwoWay, Void(), {In(ULong())}, [](Target t) { As<BN::ServerSettings>(t)->proxyPort(3128); }},
    });
    CheckOperations("IDL:BackupWorkstation/Workstation:1.0", {
        {"_get_name", Call::kTwoWay, WString(), {}, [](Target t) { Discard(As<BackupWorkstation::Workstation>(t)->name()); }},
    });
}
// clang-format on

}  // namespace
}  // namespace idltest
