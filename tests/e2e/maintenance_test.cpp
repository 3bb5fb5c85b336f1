// Every key once through a real process, and the sweep of dead workstations
// off the Coordinator, which needs one.
#include "tests/e2e/cvcc_case.h"
#include "tests/support/network_skip.h"

namespace {

using support::kDeactivated;
using support::kListHead;
using support::kProxyApplied;
using support::kSweepHeading;
using support::ListRow;
using support::ProxyStored;

using e2e::CvccCase;

const std::string kWorkstations = R"({"workstations": [
    {"name": "ALIVE-1"}, {"name": "OLD-LAPTOP", "state": "dead"}, {"name": "Станция-2", "state": "dead"},
    {"name": "NOT-A-WS", "state": "notWorkstation"}, {"name": "DEAD-OTHER-KIND", "kind": "Workstation", "state": "dead"},
    {"name": "folder", "state": "context"}]})";

// One row per key through a real process; the commands' details are
// in-process cases (tests/unit/client/commands_test.cpp). Newer's statuses
// are past the last one the protocol knows, and travel as numbers.
const std::string kTasks = R"({"tasks": [
    {"id": 1, "name": "Idle", "start": [{"status": "tsSuccess"}]},
    {"id": 2, "name": "Busy", "status": "tsBackup"},
    {"id": 3, "name": "Newer", "status": 4294967295, "start": [{"status": 17}]}]})";
// Running (4) backs up for one more poll on its own, with no Start.
const std::string kRunning = R"({"tasks": [{"id": 2, "name": "Idle"},
    {"id": 4, "name": "Running", "run": [{"status": "tsBackup", "polls": 2}, {"status": "tsSuccess"}]}]})";
const std::string kWaited =
    "Waiting for task: Running\nWaiting.\nCompleted with status: success\n\n";
// OLD-LAPTOP is dead and comes first; ALIVE-1's name cannot be read.
const std::string kFailsHalfWay = R"({"workstations": [{"name": "OLD-LAPTOP", "state": "dead"}, {"name": "ALIVE-1"}],
    "faults": [{"object": "workstation:ALIVE-1", "operation": "_get_name", "raise": "NO_PERMISSION"}]})";
const std::string kNothingRemoved = "No dead workstation links registered on the Coordinator\n";
const std::string kRan = "Running task: Idle\nWaiting\nCompleted with status: success\n\n";

std::string ManyTasks(int count) {
    std::string scenario = R"({"tasks": [)";
    for (int i = 0; i < count; ++i)
        scenario += (i ? R"(,{"id": )" : R"({"id": )") + std::to_string(i) + R"(, "name": "T"})";
    return scenario + "]}";
}

// clang-format off
const std::vector<CvccCase> kCases = {
    {"execute", kTasks, {"-e", "Idle"}, kRan, "", 0, {"task:1 Start", kDeactivated}},
    {"execute_id", kTasks, {"-ei", "1"}, kRan, "", 0, {"task:1 Start", kDeactivated}},
    {"execute_all", kTasks, {"--ExcuteAll"}, kRan + "Task is busy: Busy\nRunning task: Newer\nWaiting\nCompleted with status: unknown\n\n",
     "", 0, {"task:1 Start", "task:3 Start", kDeactivated}},
    {"stop", kTasks, {"-s", "Busy"}, "Stopping task: Busy\n", "", 0, {"task:2 Stop", kDeactivated}},
    {"stop_id", kTasks, {"-si", "2"}, "Stopping task: Busy\n", "", 0, {"task:2 Stop", kDeactivated}},
    {"stop_all", kTasks, {"-sa"}, "Stopping task: Busy\n", "", 0, {"task:2 Stop", kDeactivated}},
    {"delete", kTasks, {"-d", "Idle"}, "Deleting task: Idle\n", "", 0, {"session:1 DeleteTask {\"id\":1}", kDeactivated}},
    {"delete_id", kTasks, {"-di", "1"}, "Deleting task: Idle\n", "", 0, {"session:1 DeleteTask {\"id\":1}", kDeactivated}},
    {"delete_all", kTasks, {"-da"}, "Deleting task: Idle\nTask is busy: Busy\nDeleting task: Newer\n", "", 0,
     {"session:1 DeleteTask {\"id\":1}", "session:1 DeleteTask {\"id\":3}", kDeactivated}},
    {"wait", kRunning, {"--Wait", "Running", "Idle"}, kWaited + "Task is not running: Idle (idle)\n", "", 0, {kDeactivated}},
    {"wait_id", kRunning, {"-wi", "4"}, kWaited, "", 0, {kDeactivated}},
    {"wait_all", kRunning, {"-wa"}, kWaited, "", 0, {kDeactivated}},
    {"check", kTasks, {"--Check"}, "BACKUP UNKNOWN - 3 tasks: 0 critical, 0 warning, 1 unknown | "
     "tasks=3 ok=2 warning=0 critical=0 unknown=1 busy=1\nunknown: Newer (id 3)\n", "", 3, {kDeactivated}},
    {"list", kTasks, {"-l"}, kListHead + ListRow("1", "Idle", "idle") + ListRow("2", "Busy", "backuping") +
     ListRow("3", "Newer", "unknown"), "", 0, {kDeactivated}},
    {"proxy", kTasks, {"-prx", "myproxy:8000"}, kProxyApplied, "", 0, ProxyStored("\"myproxy\"", "8000")},
    // The task list reaches the client in one reply, which the ORB takes
    // however large (docs/orb-options.md); the proxy key takes the whole
    // snapshot and then touches no task.
    {"proxy_after_a_hundred_thousand_tasks", ManyTasks(100000), {"--Proxy", "p:1"}, kProxyApplied, "", 0, ProxyStored("\"p\"", "1")},
    {"close_shuts_the_server_down_without_a_session", "{}", {"--Close"}, "Shutdown server\n", "", 0, {"server ShutdownServer"}},
    {"close_refused_version_prints_no_shutdown", R"({"server": {"version": "7.3"}})", {"--Close"},
     "Connected to Backup Server version: 7.3\n\nThis Server version not supported\n", "", 1},
    {"nsclean_nothing_to_remove", "{}", {"--NSClean"}, kSweepHeading + kNothingRemoved, "", 0},
    {"nsclean_then_list", kWorkstations, {"--NSClean", "--List"}, kSweepHeading + "The following dead workstation links removed from the "
     "Coordinator:\n    OLD-LAPTOP\n    Станция-2\n    NOT-A-WS\n" + kListHead, "", 0, {kDeactivated}},
    // A second sweep's names (none) go on in the same member.
    {"json_nsclean_twice_then_list", kWorkstations, {"--Json", "--NSClean", "-nsc", "--List"},
     "{\"removed\":[\"OLD-LAPTOP\",\"Станция-2\",\"NOT-A-WS\"],\"tasks\":[]}\n", "", 0, {kDeactivated}},
    // Off a terminal, the wait's progress goes nowhere.
    {"json_execute", kTasks, {"-j", "-e", "Idle"},
     R"({"tasks":[{"argument":"Idle","name":"Idle","outcome":"ended","polls":1,"status":"success","statusNumber":6}]})" "\n", "", 0,
     {"task:1 Start", kDeactivated}},
    {"list_then_nsclean_only_lists", kWorkstations, {"--List", "--NSClean"}, kListHead, "", 0, {kDeactivated}},
    // A naming service whose listing hands out the same binding again: the
    // sweep ends before it unbinds anything.
    {"nsclean_listing_that_repeats_a_binding_ends_the_sweep",
     R"({"workstations": [{"name": "OLD-LAPTOP", "state": "dead"}], "repeatingListing": true})", {"--NSClean"},
     kSweepHeading + "std::exception\n",
     "An error occurred while listing the workstations. Coordinator returned the same binding twice\n", 1, {}},
    // A listing that cannot be read removes nothing; a binding that cannot be
    // resolved is left out of the listing, or, when the sweep asks for it
    // again, left alone: the Coordinator's trouble is not the workstation's.
    // stderr says which.
    {"nsclean_listing_that_cannot_be_read", R"({"workstations": [{"name": "OLD-LAPTOP", "state": "dead"}],
         "faults": [{"object": "naming:network", "operation": "list", "raise": "TRANSIENT"}]})", {"--NSClean"},
     kSweepHeading + kNothingRemoved, "The Coordinator's list of workstations could not be read: TRANSIENT\n", 0},
    {"nsclean_binding_that_cannot_be_listed", R"({"workstations": [{"name": "LOST"}],
         "faults": [{"object": "naming:network", "operation": "resolve", "raise": "TRANSIENT", "times": 1}]})", {"--NSClean"},
     kSweepHeading + kNothingRemoved,
     "The binding of workstation LOST could not be resolved (TRANSIENT): it is left out of the sweep\n", 0},
    {"nsclean_binding_that_cannot_be_fetched", R"({"workstations": [{"name": "ALIVE-1"}],
         "faults": [{"object": "naming:network", "operation": "resolve", "raise": "TRANSIENT", "fromCall": 2, "times": 1}]})",
     {"--NSClean"}, kSweepHeading + kNothingRemoved,
     "The binding of workstation ALIVE-1 could not be resolved (TRANSIENT): it is left alone\n", 0},
    // A workstation that answers with a forward its caller cannot follow is
    // alive: TRANSIENT alone does not make it dead.
    {"nsclean_forward_that_cannot_be_followed", R"({"workstations": [{"name": "REDIRECTED", "state": "forwardsNowhere"},
         {"name": "OLD-LAPTOP", "state": "dead"}]})", {"--NSClean"},
     kSweepHeading + "The following dead workstation links removed from the Coordinator:\n    OLD-LAPTOP\n",
     "The workstation REDIRECTED answers, but its answer cannot be followed (TRANSIENT, minor code: "
     "TRANSIENT_NoUsableProfile (0x4f4d0002), completed: COMPLETED_NO): it is left alone\n", 0},
    // The Coordinator lost while the workstations are listed: the console's
    // text is the server's, stderr says what was lost.
    {"nsclean_coordinator_lost_while_listing", R"({"workstations": [{"name": "OLD-LAPTOP", "state": "dead"}], "repeatingListing": true,
         "faults": [{"object": "naming:iterator:1", "operation": "next_one", "raise": "TRANSIENT"}]})", {"--NSClean"},
     kSweepHeading + "Unable to connect the backup server.\n", "cvcc: the Coordinator at localhost:1755 was lost during the sweep\n", 1},
    // An unbind the Coordinator refuses ends the sweep; stderr says so.
    {"nsclean_unbind_refused", R"({"workstations": [{"name": "OLD-LAPTOP", "state": "dead"}],
         "faults": [{"object": "naming:network", "operation": "unbind", "raise": "NO_PERMISSION"}]})", {"--NSClean"},
     kSweepHeading + "std::exception\n", "An error occurred while unbinding object\nNO_PERMISSION\n"
     "minor code: 0x00000000, completed: COMPLETED_NO\n", 1, {"naming:network unbind {\"name\":\"OLD-LAPTOP\"}"}},
    // A sweep that fails half-way still tells what it removed: on stderr, and
    // in the document before its error.
    {"nsclean_failing_half_way_tells_what_it_removed", kFailsHalfWay, {"--NSClean"},
     kSweepHeading + "System error: NO_PERMISSION. Description: minor code: 0x00000000, completed: COMPLETED_NO\n",
     "cvcc: the sweep removed the binding of OLD-LAPTOP before it failed\n", 1},
    {"json_nsclean_failing_half_way", kFailsHalfWay, {"-j", "--NSClean"},
     R"({"removed":["OLD-LAPTOP"],"error":{"exception":{"completed":"COMPLETED_NO","minor":0,"minorName":null,)"
     R"("name":"NO_PERMISSION"},"message":"System error: NO_PERMISSION. Description: minor code: 0x00000000, )"
     R"(completed: COMPLETED_NO"}})" "\n", "cvcc: the sweep removed the binding of OLD-LAPTOP before it failed\n", 1},
    // A workstation whose process runs but no longer has the object is not
    // dead: the sweep ends there.
    {"nsclean_workstation_whose_object_is_gone_ends_the_sweep", R"({"workstations": [{"name": "DECOMMISSIONED", "state": "gone"}]})",
     {"--NSClean"}, kSweepHeading + "System error: OBJECT_NOT_EXIST. Description: minor code: "
     "OBJECT_NOT_EXIST_NoMatch (0x4f4d0001), completed: COMPLETED_NO\n", "", 1, {}},
    // The sweep always goes to port 1755, whatever the registry says.
    {"nsclean_ignores_the_registry_port", "{}", {"--NSClean"}, "std::exception\n",
     support::NoCoordinator("1755", "the sweep's default port"), 1, {}, e2e::RegistryWithPort("\"2755\""), 2755},
};
// clang-format on

class Maintenance : public testing::TestWithParam<CvccCase> {};

TEST_P(Maintenance, Case) {
    e2e::RunCase(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cvcc, Maintenance, testing::ValuesIn(kCases), e2e::CaseName());

// The JSON mode reports the sweep, it does not sweep differently: the
// simulator receives the same requests, the workstations' and the session's,
// with and without it.
TEST(JsonMode, TheSweepSendsTheSameRequests) {
    std::vector<nlohmann::json> runs[2];
    for (const bool json : {false, true}) {
        harness::BackupNetwork net({"json-sweep-host", 1755, kWorkstations});
        if (!net.skipReason().empty()) SKIP_WITHOUT_NETWORK(net.skipReason());
        std::vector<std::string> args = {"--NSClean", "--List"};
        if (json) args.insert(args.begin(), "-j");
        EXPECT_EQ(net.RunCvcc({args, {}, std::nullopt}).exitCode, 0);
        // The session's oneway end comes last, maybe after cvcc's.
        net.WaitForJournal(
            [](const nlohmann::json& e) { return e["operation"] == "DeactivateSession"; });
        runs[json] = net.Journal();
    }
    EXPECT_EQ(runs[0].size(), 7u) << nlohmann::json(runs[0]).dump();
    EXPECT_EQ(runs[0], runs[1]);
}

}  // namespace
