// bnsim as a peer: this test process is the CORBA client, with the generated
// stubs, and checks what the client of the backup network relies on: the
// journal, the scripted statuses, the workstations' failures and the faults.
// ctest runs each case in a process of its own, so each has its own ORB.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <omniORB4/Naming.hh>

#include "BackupNetwork.hh"
#include "idl/wire_text.h"
#include "tests/harness/backup_network.h"
#include "utility/strings.h"

namespace {

using nlohmann::json;

const char kHost[] = "peer-host";

// One ORB a process, aimed at the case's Coordinator.
CORBA::ORB_ptr Orb(int port) {
    static CORBA::ORB_var orb;
    if (CORBA::is_nil(orb)) {
        const std::string ref =
            "NameService=corbaloc:iiop:1.2@127.0.0.1:" + std::to_string(port) + "/NameService";
        const char* options[][2] = {{"InitRef", ref.c_str()}, {nullptr, nullptr}};
        int argc = 0;
        orb = CORBA::ORB_init(argc, nullptr, "omniORB4", options);
    }
    return orb;
}

CosNaming::Name Name(std::initializer_list<std::pair<const char*, const char*>> parts) {
    CosNaming::Name name;
    name.length(static_cast<CORBA::ULong>(parts.size()));
    CORBA::ULong i = 0;
    for (const auto& [id, kind] : parts) {
        name[i].id = id;
        name[i].kind = kind;
        ++i;
    }
    return name;
}

CORBA::Object_ptr Resolve(int port, const CosNaming::Name& name) {
    CORBA::Object_var obj = Orb(port)->resolve_initial_references("NameService");
    CosNaming::NamingContext_var root = CosNaming::NamingContext::_narrow(obj);
    return root->resolve(name);
}

BackupNetwork::Server_ptr Server(int port) {
    CORBA::Object_var obj =
        Resolve(port, Name({{kHost, "BackupNetwork"}, {"BackupServer", "server"}}));
    return BackupNetwork::Server::_narrow(obj);
}

std::string Utf8(const CORBA::WChar* wire) {
    return CVLib::strings::toAstr(wiretext::FromWire(wire));
}

// "object operation" and whether oneway, for the whole journal.
std::vector<std::string> Calls(const std::vector<json>& journal) {
    std::vector<std::string> calls;
    for (const json& e : journal)
        calls.push_back(e["object"].get<std::string>() + " " + e["operation"].get<std::string>() +
                        (e["oneway"].get<bool>() ? " (oneway)" : ""));
    return calls;
}

TEST(Peer, JournalRecordsEveryCallInOrderOnewayOnesIncluded) {
    harness::BackupNetwork net({kHost, 0,
                                R"({"server": {"host": "peer-host"},
                                    "tasks": [{"id": 7, "name": "Docs"}]})"});
    ASSERT_EQ(net.skipReason(), "");
    const int port = net.coordinatorPort();
    BackupNetwork::Server_var server = Server(port);
    EXPECT_FALSE(server->_non_existent());
    CORBA::WString_var version = server->version();
    BackupNetwork::Session_var session = server->ActivateSession(L"DOMAIN\\user", L"");
    BackupNetwork::TasksList_var tasks = session->tasks();
    ASSERT_EQ(tasks->length(), 1u);
    BackupNetwork::TaskProperties_var props = tasks[0]->props();
    EXPECT_EQ(props->id(), 7);
    tasks[0]->Start();
    session->DeleteTask(7);
    try {
        tasks[0]->GetStatus();
        ADD_FAILURE() << "a deleted task answered";
    } catch (const CORBA::SystemException& e) {
        EXPECT_STREQ(e._name(), "OBJECT_NOT_EXIST") << net.SimulatorStderr();
    }
    server->DeactivateSession(session);
    server->ShutdownServer();

    net.WaitForJournal([](const json& e) { return e["operation"] == "ShutdownServer"; });
    const std::vector<json> journal = net.Journal();
    const std::vector<std::string> expected = {
        "server _non_existent",
        "server _get_version",
        "server ActivateSession",
        "session:1 _get_tasks",
        "task:7 _get_props",
        "props:7 _get_id",
        "task:7 Start (oneway)",
        "session:1 DeleteTask (oneway)",
        "task:7 GetStatus",
        "server DeactivateSession (oneway)",
        "server ShutdownServer (oneway)",
    };
    EXPECT_EQ(Calls(journal), expected);
    for (std::size_t i = 0; i < journal.size(); ++i) EXPECT_EQ(journal[i]["seq"], i + 1);
    ASSERT_EQ(journal.size(), expected.size());
    EXPECT_EQ(journal[2]["args"], json({{"login", "DOMAIN\\user"}, {"extra", ""}}));
    EXPECT_EQ(journal[7]["args"], json({{"id", 7}}));
    EXPECT_EQ(journal[9]["args"], json({{"session", "session:1"}}));
    EXPECT_FALSE(journal[8].contains("args"));  // no servant saw it

    const int status = net.WaitForSimulatorExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(net.Nameclt({"list"}).out, "");
}

TEST(Peer, ScriptedTasksMoveThroughTheirStatesOnCountedPolls) {
    harness::BackupNetwork net({kHost, 0, R"({"server": {"host": "peer-host"}, "tasks": [
        {"id": 1, "name": "two polls busy",
         "start": [{"status": "tsBackup", "polls": 2}, {"status": "tsSuccess"}]},
        {"id": 2, "name": "Документы \ud834\udd1e", "status": "tsError"},
        {"id": 3, "name": "chain", "start": [{"status": "tsWaiting", "polls": 1},
            {"status": "tsSynchronize", "polls": 3}, {"status": "tsErrorSchedule"}]},
        {"id": 4, "name": "line\nbreak", "status": "tsBackup",
         "stop": [{"status": "tsRestore", "polls": 1}, {"status": "tsStopped"}]},
        {"id": 5, "name": "inert", "start": []}]})"});
    ASSERT_EQ(net.skipReason(), "");
    using BackupNetwork::TaskStatus;
    struct Row {
        const char* name;
        std::vector<TaskStatus> before;
        const char* action;
        std::vector<TaskStatus> after;
    };
    const Row rows[] = {
        {"two polls busy",
         {BackupNetwork::tsWaiting},
         "Start",
         {BackupNetwork::tsBackup, BackupNetwork::tsBackup, BackupNetwork::tsSuccess,
          BackupNetwork::tsSuccess}},
        {"Документы \U0001D11E",
         {BackupNetwork::tsError, BackupNetwork::tsError},
         "Start",
         {BackupNetwork::tsBackup, BackupNetwork::tsSuccess, BackupNetwork::tsSuccess}},
        {"chain",
         {},
         "Start",
         {BackupNetwork::tsWaiting, BackupNetwork::tsSynchronize, BackupNetwork::tsSynchronize,
          BackupNetwork::tsSynchronize, BackupNetwork::tsErrorSchedule,
          BackupNetwork::tsErrorSchedule}},
        {"line\nbreak",
         {BackupNetwork::tsBackup},
         "Stop",
         {BackupNetwork::tsRestore, BackupNetwork::tsStopped, BackupNetwork::tsStopped}},
        {"inert", {}, "Start", {BackupNetwork::tsWaiting}},
    };
    BackupNetwork::Server_var server = Server(net.coordinatorPort());
    BackupNetwork::Session_var session = server->ActivateSession(L"user", L"");
    BackupNetwork::TasksList_var tasks = session->tasks();
    ASSERT_EQ(tasks->length(), std::size(rows));
    for (CORBA::ULong i = 0; i < tasks->length(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.name);
        BackupNetwork::Task_ptr task = tasks[i];
        BackupNetwork::TaskProperties_var props = task->props();
        CORBA::WString_var dname = props->dname();
        EXPECT_EQ(Utf8(dname), row.name);
        std::vector<TaskStatus> seen;
        for (std::size_t n = 0; n < row.before.size(); ++n) seen.push_back(task->GetStatus());
        EXPECT_EQ(seen, row.before);
        if (std::string(row.action) == "Start") task->Start();
        if (std::string(row.action) == "Stop") task->Stop();
        seen.clear();
        for (std::size_t n = 0; n < row.after.size(); ++n) seen.push_back(task->GetStatus());
        EXPECT_EQ(seen, row.after);
    }
}

// What the client's dead-workstation sweep tells apart: an answer, TRANSIENT
// (dead), another exception, or an object that is no workstation.
std::string Outcome(CORBA::Object_ptr obj) {
    try {
        if (!obj->_is_a("IDL:BackupWorkstation/Workstation:1.0")) return "not a workstation";
        BackupWorkstation::Workstation_var ws = BackupWorkstation::Workstation::_narrow(obj);
        CORBA::WString_var name = ws->name();
        return "name " + Utf8(name);
    } catch (const CORBA::SystemException& e) {
        return e._name();
    }
}

TEST(Peer, WorkstationsFailAsTheirStateSays) {
    harness::BackupNetwork net({kHost, 0, R"({"workstations": [
        {"name": "alpha", "displayName": "Альфа \ud834\udd1e"},
        {"name": "beta", "state": "dead"},
        {"name": "gamma", "state": "gone"},
        {"name": "delta", "state": "notWorkstation"},
        {"name": "alpha", "kind": "Workstation", "state": "dead"}]})"});
    ASSERT_EQ(net.skipReason(), "");
    const struct {
        const char* id;
        const char* kind;
        const char* outcome;
    } rows[] = {
        {"alpha", "workstation", "name Альфа \U0001D11E"},
        {"beta", "workstation", "TRANSIENT"},
        {"gamma", "workstation", "OBJECT_NOT_EXIST"},
        {"delta", "workstation", "not a workstation"},
        {"alpha", "Workstation", "TRANSIENT"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.id) + "." + row.kind);
        CORBA::Object_var obj =
            Resolve(net.coordinatorPort(),
                    Name({{"TarmelinBackupNetwork", "context"}, {row.id, row.kind}}));
        EXPECT_EQ(Outcome(obj), row.outcome);
    }
}

TEST(Peer, FaultsStrikeOnTheirCallsAndACrashLeavesTheBindings) {
    harness::BackupNetwork net({kHost, 0, R"({"server": {"host": "peer-host"},
        "tasks": [{"id": 1, "name": "t"}],
        "faults": [
          {"object": "task:1", "operation": "GetStatus", "raise": "TRANSIENT",
           "fromCall": 2, "times": 2},
          {"object": "session:*", "operation": "GetTask", "raise": "UnknownTask"},
          {"object": "server", "operation": "_get_host", "raise": "NO_PERMISSION",
           "minor": 5, "completed": "YES"},
          {"object": "server", "operation": "stats", "crash": true, "fromCall": 2}]})"});
    ASSERT_EQ(net.skipReason(), "");
    BackupNetwork::Server_var server = Server(net.coordinatorPort());
    BackupNetwork::Session_var session = server->ActivateSession(L"user", L"");
    BackupNetwork::TasksList_var tasks = session->tasks();
    std::vector<std::string> outcomes;
    for (int i = 0; i < 4; ++i) {
        try {
            tasks[0]->GetStatus();
            outcomes.push_back("ok");
        } catch (const CORBA::TRANSIENT&) {
            outcomes.push_back("TRANSIENT");
        }
    }
    EXPECT_EQ(outcomes, std::vector<std::string>({"ok", "TRANSIENT", "TRANSIENT", "ok"}));
    EXPECT_THROW(session->GetTask(1), BackupNetwork::Session::UnknownTask);
    try {
        CORBA::WString_var host = server->host();
        ADD_FAILURE() << "host answered";
    } catch (const CORBA::NO_PERMISSION& e) {
        EXPECT_EQ(e.minor(), 5u);
        EXPECT_EQ(e.completed(), CORBA::COMPLETED_YES);
    }
    CORBA::String_var stats = server->stats();
    EXPECT_THROW(CORBA::String_var again = server->stats(), CORBA::COMM_FAILURE);

    const int status = net.WaitForSimulatorExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status;
    EXPECT_EQ(Calls(net.Journal()).back(), "server stats");
    EXPECT_EQ(net.Nameclt({"list", "peer-host.BackupNetwork"}).out, "BackupServer.server\n");
}

}  // namespace
