// The fault matrix: the Coordinator, the server and the workstations fail
// at chosen points of a run, and the client must end with the documented
// text and exit code (docs/reliability.md), close the session it opened
// when the server still answers, and leave no process behind. Scripted
// faults (bnsim's "crash" and "raise") strike at a request; the others are
// timed by the journal: the harness waits for a request, then kills.
#include <signal.h>

#include <functional>
#include <optional>

#include "corba/naming_layout.h"
#include "harness/proc.h"
#include "tests/e2e/cvcc_case.h"
#include "tests/support/network_skip.h"

namespace {

using support::kDeactivated;
using support::kListHead;
using support::kSweepHeading;
using support::ListRow;

using harness::BackupNetwork;
using std::chrono::milliseconds;
using std::chrono::seconds;

const std::string kUnable = "Unable to connect the backup server.\n";
// Nightly (1) backs up for three polls; A, B and C (2, 3, 4) are idle.
const std::string kTasks = R"("tasks": [
    {"id": 1, "name": "Nightly", "start": [{"status": "tsBackup", "polls": 3}, {"status": "tsSuccess"}]},
    {"id": 2, "name": "A"}, {"id": 3, "name": "B"}, {"id": 4, "name": "C"}])";

std::string WithFault(const std::string& fault) {
    return "{" + kTasks + R"(, "faults": [)" + fault + "]}";
}

harness::JournalPredicate Request(const std::string& object, const std::string& operation) {
    return [object, operation](const nlohmann::json& e) {
        return e.value("object", "") == object && e.value("operation", "") == operation;
    };
}

// Sends signal to cvcc during the wait, once it catches it.
void SignalTheWait(BackupNetwork& net, int signal) {
    net.WaitForJournal(Request("task:1", "Start"));
    harness::WaitUntilCatching(net.cvccPid(), signal);
    harness::SignalChild(net.cvccPid(), signal);
}

// A case and what the harness does around it, set by name on the case.
struct Fault {
    e2e::CvccCase c;
    e2e::Around around;
    using Step = std::function<void(BackupNetwork&)>;
    Fault& Before(Step f) { return around.before = f, *this; }
    Fault& During(Step f) { return around.during = f, *this; }
    Fault& After(Step f) { return around.after = f, *this; }
    Fault& SimulatorCrashes() { return around.simulatorStatus = 3, *this; }
    Fault& Env(harness::EnvChanges e) { return around.env = e, *this; }
    Fault& Hangs(milliseconds endedAfter) { return around.hangsFor = endedAfter, *this; }
    // bnsim is stopped before cvcc starts, and continued at the end.
    Fault& ServerFrozen() {
        Before([](BackupNetwork& net) { harness::SignalChild(net.simulatorPid(), SIGSTOP); });
        return After([](BackupNetwork& net) { harness::SignalChild(net.simulatorPid(), SIGCONT); });
    }
};

void PrintTo(const Fault& f, std::ostream* os) {
    *os << f.c.name;
}

std::string Crash(const std::string& object, const std::string& operation, int fromCall = 1) {
    return R"({"object": ")" + object + R"(", "operation": ")" + operation +
           R"(", "crash": true, "fromCall": )" + std::to_string(fromCall) + "}";
}

std::string Raise(const std::string& object, const std::string& operation,
                  const std::string& exception) {
    return R"({"object": ")" + object + R"(", "operation": ")" + operation + R"(", "raise": ")" +
           exception + R"("})";
}

Fault Case(std::string name, std::string scenario, std::vector<std::string> args, std::string out,
           std::string err, int exitCode, std::vector<std::string> actions = {}) {
    Fault f;
    f.c = {name, scenario, args, out, err, exitCode, actions};
    return f;
}

const std::string kSilent =
    R"({"workstations": [{"name": "GONE", "state": "dead"}, {"name": "HUNG", "state": "silent"}]})";

const std::string kUnreachable =
    "An error occurred while obtain a reference to the root context. Coordinator could not be "
    "reached. Make sure Coordinator is running\nTRANSIENT\n"
    "minor code: TRANSIENT_ConnectFailed (0x41540002), completed: COMPLETED_NO\n";
const std::string kNoResources =
    "Caught NO_RESOURCES exception. You must configure ORB with the location of the naming "
    "service.\n";
const std::string kTasksOnly = "{" + kTasks + "}";

// clang-format off
const std::vector<Fault> kFaults = {
    // The Coordinator. Frozen, it holds cvcc's first request to it (the root
    // context, part of the connection) unanswered; it is killed while that
    // request waits. The lookup comes later and is not reached.
    Case("coordinator_killed_while_a_request_waits", kTasksOnly, {"--List"}, "std::exception\n",
         kUnreachable + support::NoCoordinator("1755", "default port: no CoordPort read from {registry}"), 1)
        .Before([](BackupNetwork& net) { harness::SignalChild(net.coordinatorPid(), SIGSTOP); })
        .During([](BackupNetwork& net) {
            const auto deadline = std::chrono::steady_clock::now() + seconds(60);
            while (!harness::RequestWaitsOnPort(net.coordinatorPort())) {
                if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("no request waits on the Coordinator");
                std::this_thread::sleep_for(milliseconds(20));
            }
            net.KillCoordinator();
        }),
    // The wait needs only the server: the run ends normally.
    Case("coordinator_killed_during_a_wait", kTasksOnly, {"--Execute", "Nightly"},
         "Running task: Nightly\nWaiting...\nCompleted with status: success\n\n", "", 0, {"task:1 Start", kDeactivated})
        .During([](BackupNetwork& net) { net.WaitForJournal(Request("task:1", "Start")); net.KillCoordinator(); }),
    // Ctrl-C during a wait: the line ends, stderr says the task runs on, the
    // session is closed; the status is the shell's for the signal (SIGTERM's
    // is an in-process case).
    Case("ctrl_c_during_a_wait", kTasksOnly, {"--Execute", "Nightly"}, "Running task: Nightly\nWaiting\n",
         "cvcc: interrupted; the task keeps running on the server\n", 130, {"task:1 Start", kDeactivated})
        .During([](BackupNetwork& net) { SignalTheWait(net, SIGINT); }),
    // A frozen server holds the check's first call to it; the check ends at
    // its deadline all the same.
    Case("check_ends_at_its_deadline", kTasksOnly, {"--Check"}, "BACKUP UNKNOWN - no answer within 1 s\n", "", 3)
        .Env({{"CVCC_CHECK_TIMEOUT", "1"}})
        .ServerFrozen(),
    // The server, by scripted crashes.
    Case("server_killed_before_the_version_read", WithFault(Crash("server", "_get_version")), {"--List"}, kUnable, "", 1)
        .SimulatorCrashes(),
    Case("server_killed_during_a_listing", WithFault(Crash("task:3", "GetStatus")), {"--List"},
         kListHead + ListRow("1", "Nightly", "idle") + ListRow("2", "A", "idle") + "3\t | B" + std::string(49, ' ') + kUnable, "", 1)
        .SimulatorCrashes(),
    Case("server_killed_between_two_polls", R"({"tasks": [{"id": 1, "name": "Nightly", "start": [{"status": "tsBackup"}]}],
             "faults": [{"object": "task:1", "operation": "GetStatus", "fromCall": 3, "crash": true}]})",
         {"--Execute", "Nightly"}, "Running task: Nightly\nWaiting.Unable to connect the backup server.\n", "", 1, {"task:1 Start"})
        .SimulatorCrashes(),
    // No Close goes to a server that is gone.
    Case("server_killed_while_a_log_is_read", R"({"tasks": [{"id": 1, "name": "Nightly", "log": {"lines": ["Started", "Copying"]}}],
             "faults": [{"object": "log:1", "operation": "GetNextLine", "fromCall": 2, "crash": true}]})",
         {"--Log", "Nightly"}, "Log of task: Nightly\nStarted\n" + kUnable, "", 1, {"log:1 Open"})
        .SimulatorCrashes(),
    // Named against the snapshot's order, so no search reads a deleted task.
    Case("server_killed_during_a_delete_of_several", WithFault(Crash("session:1", "DeleteTask", 2)), {"--Delete", "C", "B", "A"},
         "Deleting task: C\nDeleting task: B\n" + kUnable, "", 1, {"session:1 DeleteTask {\"id\":4}", "session:1 DeleteTask {\"id\":3}"})
        .SimulatorCrashes(),
    // The server's exceptions are translated as in-process cases show; a
    // failure while the session's task list is read still closes the session.
    Case("session_raises_no_resources_while_the_tasks_are_read", WithFault(Raise("session:1", "_get_tasks", "NO_RESOURCES")),
         {"--List"}, kNoResources, "", 1, {kDeactivated}),
    // Workstations during a sweep.
    Case("workstation_killed_during_a_sweep", R"({"workstations": [{"name": "WS-1"}, {"name": "WS-2"}, {"name": "WS-3"}], "faults": [)" +
         Crash("workstation:WS-2", "_get_name") + "]}", {"--NSClean"},
         kSweepHeading + "The following dead workstation links removed from the Coordinator:\n    WS-2\n    WS-3\n", "", 0)
        .SimulatorCrashes(),
    // No call timeout is set: the sweep waits for a silent workstation for
    // good, and the harness ends cvcc.
    Case("silent_workstation_holds_the_sweep", kSilent, {"--NSClean"}, kSweepHeading, "", -1).Hangs(seconds(8)),
    // omniORB's own configuration from the environment can bound the call;
    // a workstation that runs out of it may be alive: the sweep ends and its
    // binding stays. The dead one before it was removed already.
    Case("silent_workstation_with_a_call_timeout_ends_the_sweep", kSilent, {"--NSClean"}, kSweepHeading +
         "System error: TIMEOUT. Description: minor code: TIMEOUT_CallTimedOutOnClient (0x41540008), completed: COMPLETED_MAYBE\n",
         "cvcc: the sweep removed the binding of GONE before it failed\n", 1)
        .Env({{"ORBclientCallTimeOutPeriod", "1500"}})
        .After([](BackupNetwork& net) {
            const std::string network = std::string(naming::kNetworkContextId) + "." + naming::kNetworkContextKind;
            const std::string bound = net.Nameclt({"list", network}).out;
            EXPECT_NE(bound.find(std::string("HUNG.") + naming::kWorkstationKind), std::string::npos) << bound;
            EXPECT_EQ(bound.find(std::string("GONE.") + naming::kWorkstationKind), std::string::npos) << bound;
        }),
};
// clang-format on

class Faults : public testing::TestWithParam<Fault> {};

TEST_P(Faults, Case) {
    e2e::RunCase(GetParam().c, GetParam().around);
}

INSTANTIATE_TEST_SUITE_P(Cvcc, Faults, testing::ValuesIn(kFaults),
                         [](const testing::TestParamInfo<Fault>& info) {
                             return info.param.c.name;
                         });

// SIGTERM during a long read (`timeout -s TERM 3 cvcc …`) ends it as it ends
// a wait: the document closed with "interrupted", the note on stderr, the log
// and the session closed, 143. How much was read before is the timing's.
TEST(Interruptions, EndALongReadAsTheyEndAWait) {
    std::string tasks;
    for (int i = 0; i < 20000; ++i) tasks += (i ? R"(,{"id": )" : R"({"id": )") + std::to_string(i) + R"(, "name": "T"})";
    const std::string logged = R"({"tasks": [{"id": 1, "name": "Nightly", "log": {"lines": ["a line"], "repeat": 100000000}}]})";
    struct Read {
        std::string scenario;
        std::vector<std::string> args;
        std::vector<std::string> actions;
    };
    const Read reads[] = {
        {logged, {"--Json", "--Log", "Nightly"}, {"log:1 Open", "log:1 Close", kDeactivated}},
        {R"({"tasks": [)" + tasks + "]}", {"--List"}, {kDeactivated}},
    };
    for (const Read& read : reads) {
        SCOPED_TRACE(read.args.back());
        BackupNetwork net({"read-host", 1755, read.scenario});
        if (!net.skipReason().empty()) SKIP_WITHOUT_NETWORK(net.skipReason());
        net.StartCvcc({read.args, {}, std::nullopt});
        net.WaitForJournal(Request("server", "ActivateSession"));
        harness::WaitUntilCatching(net.cvccPid(), SIGTERM);
        harness::SignalChild(net.cvccPid(), SIGTERM);
        const harness::CvccResult r = net.WaitCvcc();
        EXPECT_EQ(r.exitCode, 143);
        EXPECT_EQ(r.err, "cvcc: interrupted; nothing more was read\n");
        e2e::ExpectActions(net, r, read.actions);
        if (read.args[0] != "--Json") continue;
        const nlohmann::json document = nlohmann::json::parse(r.out);
        EXPECT_EQ(document["interrupted"], nlohmann::json({{"signal", 15}})) << r.out;
        EXPECT_EQ(document["tasks"][0]["outcome"], "log") << r.out;
    }
}

}  // namespace
