// The operations of Server and Session as they travel: names, oneway or
// two-way, and the types and modes of results and parameters.

#include <gtest/gtest.h>

#include "BackupNetwork.hh"
#include "operation_table.h"

namespace idltest {
namespace {

using namespace wire;
using BackupNetwork::Server;
using BackupNetwork::Session;
using Target = CORBA::Object_ptr;

TEST(ServerOperations, TravelAsDescribed) {
    const std::vector<OperationRow> rows = {
        {"_get_version",
         Call::kTwoWay,
         WString(),
         {},
         [](Target t) { Discard(As<Server>(t)->version()); }},
        {"_get_host",
         Call::kTwoWay,
         WString(),
         {},
         [](Target t) { Discard(As<Server>(t)->host()); }},
        {"ActivateSession",
         Call::kTwoWay,
         Object(),
         {In(WString()), In(WString())},
         [](Target t) { Discard(As<Server>(t)->ActivateSession(L"user", L"")); }},
        {"DeactivateSession",
         Call::kOneway,
         Void(),
         {In(Object())},
         [](Target t) { As<Server>(t)->DeactivateSession(Session::_nil()); }},
        {"stats", Call::kTwoWay, String(), {}, [](Target t) { Discard(As<Server>(t)->stats()); }},
        {"SendTestEmail",
         Call::kTwoWay,
         Void(),
         {},
         [](Target t) { As<Server>(t)->SendTestEmail(); }},
        {"ReloadSettings",
         Call::kTwoWay,
         Void(),
         {},
         [](Target t) { As<Server>(t)->ReloadSettings(); }},
        {"ping", Call::kOneway, Void(), {}, [](Target t) { As<Server>(t)->ping(); }},
        {"ShutdownServer",
         Call::kOneway,
         Void(),
         {},
         [](Target t) { As<Server>(t)->ShutdownServer(); }},
    };
    CheckOperations("IDL:tarmelin/BackupNetwork/Server:1.0", rows);
}

TEST(SessionOperations, TravelAsDescribed) {
    const std::vector<OperationRow> rows = {
        {"_get_settings",
         Call::kTwoWay,
         Object(),
         {},
         [](Target t) { Discard(As<Session>(t)->settings()); }},
        {"_get_login",
         Call::kTwoWay,
         WString(),
         {},
         [](Target t) { Discard(As<Session>(t)->login()); }},
        {"_get_id", Call::kTwoWay, ULong(), {}, [](Target t) { Discard(As<Session>(t)->id()); }},
        {"GetWorkstations",
         Call::kTwoWay,
         Sequence(Object()),
         {},
         [](Target t) { Discard(As<Session>(t)->GetWorkstations()); }},
        {"OpenLink",
         Call::kTwoWay,
         Object(),
         {In(WString()), In(WString())},
         [](Target t) { Discard(As<Session>(t)->OpenLink(L"name", L"data")); }},
        {"CloseLink",
         Call::kTwoWay,
         Void(),
         {In(Object())},
         [](Target t) { As<Session>(t)->CloseLink(BackupNetwork::Link::_nil()); }},
        {"CreateTask",
         Call::kTwoWay,
         Object(),
         {},
         [](Target t) { Discard(As<Session>(t)->CreateTask()); }},
        {"DeleteTask",
         Call::kOneway,
         Void(),
         {In(Long())},
         [](Target t) { As<Session>(t)->DeleteTask(7); }},
        {"_get_tasks",
         Call::kTwoWay,
         Sequence(Object()),
         {},
         [](Target t) { Discard(As<Session>(t)->tasks()); }},
        {"GetTask",
         Call::kTwoWay,
         Object(),
         {In(Long())},
         [](Target t) { Discard(As<Session>(t)->GetTask(7)); }},
        {"GetTaskByName",
         Call::kTwoWay,
         Object(),
         {In(WString())},
         [](Target t) { Discard(As<Session>(t)->GetTaskByName(L"task")); }},
        {"GetDataStorageBNP",
         Call::kTwoWay,
         WString(),
         {In(WString())},
         [](Target t) { Discard(As<Session>(t)->GetDataStorageBNP(L"request")); }},
        {"Deactivate", Call::kTwoWay, Void(), {}, [](Target t) { As<Session>(t)->Deactivate(); }},
    };
    CheckOperations("IDL:tarmelin/BackupNetwork/Session:1.0", rows);
}

}  // namespace
}  // namespace idltest
