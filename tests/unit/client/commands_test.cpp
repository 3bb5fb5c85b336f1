// The commands in-process (in_process.h): the dispatcher, the task
// commands, the listing, the logs, the proxy and the close command. Each row
// gives a scenario, the arguments, what the console shows after the banner, the
// exit code and the requests that changed something on the server. The
// waits are recorded instead of slept: every one must be 3000 ms, one before
// each status poll ("Waiting" and one more for each dot).
#include <gtest/gtest.h>

#include <csignal>

#include "client/banner.h"
#include "harness/backup_network.h"
#include "tests/support/expected.h"
#include "tests/unit/client/in_process.h"
#include "utility/strings.h"

namespace inprocess {
namespace {

using CVLib::strings::toAstr;
using support::kDeactivated;
using support::kListHead;
using support::kProxyApplied;
using support::ListRow;
using support::ProxyStored;

struct Row {
    const char* name;
    std::string scenario;
    std::vector<std::string> args;
    std::string out;  // after the banner, UTF-8
    int exitCode;
    std::vector<std::string> actions;
    std::string err = "";   // stderr
    int signalAtSleep = 0;  // raised at the first sleep, as Ctrl-C during a wait
};

std::string Waited(const std::string& name, const std::string& dots, const std::string& status,
                   const std::string& heading = "Running task: ") {
    return heading + name + "\nWaiting" + dots + "\nCompleted with status: " + status + "\n\n";
}

// The sleeps a console output implies: one before each status poll.
std::size_t PollsShown(const std::string& out) {
    std::size_t polls = 0;
    for (auto at = out.find("\nWaiting"); at != std::string::npos;
         at = out.find("\nWaiting", at + 1)) {
        if (out.compare(at + 8, 5, " for ") == 0) continue;  // a wait's heading
        for (auto dot = at + 8; ++polls, dot < out.size() && out[dot] == '.'; ++dot) {
        }
    }
    return polls;
}

void Check(const Row& row) {
    SCOPED_TRACE(row.name);
    const Ran ran = RunInProcess(row.name, row.scenario, row.args, row.signalAtSleep);
    EXPECT_EQ(ran.out, toAstr(ComposeBanner(__DATE__)) + row.out);
    EXPECT_EQ(ran.exitCode, row.exitCode);
    EXPECT_EQ(ran.err, row.err);
    EXPECT_EQ(harness::Actions(harness::ParseJournal(ran.journal)), row.actions);
    EXPECT_EQ(ran.sleeps, std::vector<std::chrono::milliseconds>(PollsShown(row.out),
                                                                 std::chrono::milliseconds(3000)));
}

TEST(Commands, ListTheSnapshotInTheServersOrder) {
    const std::string fifty(50, 'F'), longer(60, 'L'), megabyte(1024 * 1024, 'N');
    // clang-format off
    // A listing: what it printed after the heading; the session ends.
    const auto listed = [](const char* label, const std::string& scenario, const std::string& rows, int exitCode = 0) {
        return Row{label, scenario, {"--List"}, kListHead + rows, exitCode, {kDeactivated}};
    };
    const Row rows[] = {
        listed("empty snapshot", "{}", ""),
        {"names fill a field of fifty, in the server's order, arguments ignored", R"({"tasks": [{"id": 3, "name": "Nightly"},
            {"id": -7, "name": ")" + fifty + R"(", "status": "tsSuccess"}, {"id": 1, "name": ")" + longer + R"(", "status": "tsError"},
            {"id": 2147483647, "name": "Фотоархив 𝄞 設計", "status": "tsBackup"}]})", {"--List", "ignored", "--Close"},
         kListHead + ListRow("3", "Nightly", "idle") + ListRow("-7", fifty, "success") + ListRow("1", longer, "error") +
         ListRow("2147483647", "Фотоархив 𝄞 設計", "backuping", 14), 0, {kDeactivated}},
        listed("statuses past the last read unknown",
               R"({"tasks": [{"id": 1, "name": "A", "status": 17}, {"id": 2, "name": "B", "status": 4294967295}]})",
               ListRow("1", "A", "unknown") + ListRow("2", "B", "unknown")),
        // A peer's lone surrogate U+DC9B would be the raw byte CSI on the
        // terminal; control characters pass as they are.
        listed("lone surrogates from the server print as U+FFFD", R"({"tasks": [{"id": 1, "name": [65, 56475, 51, 49, 109, 66, 27, 33]}]})",
               ListRow("1", "A\xEF\xBF\xBD" "31mB\x1b!", "idle", 8)),
        listed("odd names listed raw", R"({"tasks": [{"id": 1, "name": "Line\nBreak"}, {"id": 2, "name": "Bell\u0007Esc\u001b[31m"},
                   {"id": 3, "name": "\u202eevil.exe"}, {"id": 4, "name": "גיבוי לילי"}]})",
               ListRow("1", "Line\nBreak", "idle") + ListRow("2", "Bell\aEsc\x1b[31m", "idle") +
               ListRow("3", "\u202e" "evil.exe", "idle", 9) + ListRow("4", "גיבוי לילי", "idle", 10)),
        listed("a display name of a megabyte", R"({"tasks": [{"id": 1, "name": ")" + megabyte + R"("}]})", ListRow("1", megabyte, "idle")),
        listed("duplicate ids both listed", R"({"tasks": [{"id": 5, "name": "First"}, {"id": 5, "name": "Second", "status": "tsError"}]})",
               ListRow("5", "First", "idle") + ListRow("5", "Second", "error")),
        // A failure on one row leaves the rows before it, the name included.
        listed("a failure midway keeps the rows before it", R"({"tasks": [{"id": 1, "name": "A"}, {"id": 2, "name": "B"}],
                   "faults": [{"object": "task:2", "operation": "GetStatus", "raise": "NO_PERMISSION"}]})",
               ListRow("1", "A", "idle") + "2\t | B" + std::string(49, ' ') +
               "System error: NO_PERMISSION. Description: minor code: 0x00000000, completed: COMPLETED_NO\n", 1),
        // The session is the run's to close from the moment it opened.
        {"a failing snapshot still closes the session", R"({"faults": [{"object": "session:1", "operation": "_get_tasks", "raise": "NO_PERMISSION"}]})",
         {"--Delete", "A"}, "System error: NO_PERMISSION. Description: minor code: 0x00000000, completed: COMPLETED_NO\n", 1, {kDeactivated}},
    };
    // clang-format on
    for (const Row& row : rows) Check(row);
}

const std::string kNewer = R"({"tasks": [{"id": 1, "name": "New", "status": 17,
    "start": [{"status": 0, "polls": 1}, {"status": 4294967295}]},
    {"id": 2, "name": "Newer", "status": 4294967295, "start": [{"status": 4294967295}]}]})";

TEST(Commands, TaskKeysFindTheirTasksAndActOnThem) {
    const std::string kInterrupted = "cvcc: interrupted; the task keeps running on the server\n";
    const std::string largest(128 * 1024, 'a');
    // clang-format off
    const std::string del = "session:1 DeleteTask {\"id\":";
    const Row rows[] = {
        {"execute the first of two names, a dot a busy poll", kTasks, {"--Execute", "Nightly"}, Waited("Nightly", "..", "success"), 0,
         {"task:1 Start", kDeactivated}},
        {"execute, done at the first poll", kTasks, {"-e", "Quick"}, Waited("Quick", "", "success w/errors"), 0,
         {"task:3 Start", kDeactivated}},
        {"refreshing is not busy", kTasks, {"-e", "Refresh"}, Waited("Refresh", ".", "stopped"), 0, {"task:8 Start", kDeactivated}},
        {"a busy task is not started", kTasks, {"--Execute", "Busy"}, "Task is busy: Busy\n", 0, {kDeactivated}},
        {"several in order past unknown names, keys taken as names", kTasks, {"-e", "Quick", "nope", "Busy", "--List"},
         Waited("Quick", "", "success w/errors") + "Task not found: nope\nTask is busy: Busy\nTask not found: --List\n", 0,
         {"task:3 Start", kDeactivated}},
        {"names are case-sensitive", kTasks, {"--Execute", "nightly"}, "Task not found: nightly\n", 0, {kDeactivated}},
        {"a task key without a task", kTasks, {"--Execute"}, "Specify one or more tasks\n", 1, {kDeactivated}},
        // stderr says what a loosely read id was read as.
        {"an id is read from a number's prefix", kTasks, {"--ExecuteId", "3abc"}, Waited("Quick", "", "success w/errors"), 0,
         {"task:3 Start", kDeactivated}, "cvcc: \"3abc\" is read as id 3\n"},
        {"id messages", kTasks, {"-ei", "abc", "007", "2147483648", "-2147483649", "+5", " 12", "0x10", ""},
         "Id must be integer: abc\nTask id not found: 7\nId must be integer: 2147483648\nId must be integer: -2147483649\n"
         "Task id not found: 5\nTask is busy: Mirror\nTask id not found: 0\nId must be integer: \n", 0, {kDeactivated},
         "cvcc: \" 12\" is read as id 12\ncvcc: \"0x10\" is read as id 0\n"},
        {"execute all on an empty snapshot", "{}", {"--ExcuteAll"}, "", 0, {kDeactivated}},
        {"execute all in the snapshot's order", kTasks, {"-ea"}, Waited("Nightly", "..", "success") + "Task is busy: Busy\n" +
         Waited("Quick", "", "success w/errors") + Waited("Nightly", ".", "success") + "Task is busy: Mirror\n" +
         Waited("Refresh", ".", "stopped"), 0, {"task:1 Start", "task:3 Start", "task:4 Start", "task:8 Start", kDeactivated}},
        {"stop busy tasks only, silently", kTasks, {"--Stop", "Busy", "Nightly", "Mirror"}, "Stopping task: Busy\nStopping task: Mirror\n",
         0, {"task:2 Stop", "task:12 Stop", kDeactivated}},
        {"stop by id", kTasks, {"-si", "12", "1"}, "Stopping task: Mirror\n", 0, {"task:12 Stop", kDeactivated}},
        {"stop all", kTasks, {"-sa"}, "Stopping task: Busy\nStopping task: Mirror\n", 0, {"task:2 Stop", "task:12 Stop", kDeactivated}},
        {"delete idle, not busy", kTasks, {"--Delete", "Quick", "Busy"}, "Deleting task: Quick\nTask is busy: Busy\n", 0,
         {del + "3}", kDeactivated}},
        {"delete by id", kTasks, {"-di", "1"}, "Deleting task: Nightly\n", 0, {del + "1}", kDeactivated}},
        // Every task of the snapshot is visited once, deleted ones included.
        {"delete all visits the snapshot", kTasks, {"--DeleteAll"}, "Deleting task: Nightly\nTask is busy: Busy\nDeleting task: Quick\n"
         "Deleting task: Nightly\nTask is busy: Mirror\nDeleting task: Refresh\n", 0,
         {del + "1}", del + "3}", del + "4}", del + "8}", kDeactivated}},
        // Two tasks of one id: the first is chosen, the server deletes both,
        // and the snapshot, never refreshed, then holds a task that is gone.
        {"duplicate ids, the first chosen", R"({"tasks": [{"id": 5, "name": "First"}, {"id": 5, "name": "Second", "status": "tsBackup"}]})",
         {"-di", "5", "5"}, "Deleting task: First\nSystem error: OBJECT_NOT_EXIST. Description: minor code: "
         "OBJECT_NOT_EXIST_NoMatch (0x4f4d0001), completed: COMPLETED_NO\n", 1, {del + "5}", kDeactivated}},
        {"statuses past the last are not busy", kNewer, {"--Execute", "New", "Newer"},
         Waited("New", ".", "unknown") + Waited("Newer", "", "unknown"), 0, {"task:1 Start", "task:2 Start", kDeactivated}},
        {"odd names matched exactly", R"({"tasks": [{"id": 1, "name": "Line\nBreak", "status": "tsBackup"},
            {"id": 2, "name": "Tab\there", "status": "tsBackup"}, {"id": 3, "name": "\u202eevil.exe", "status": "tsBackup"},
            {"id": 4, "name": "גיבוי לילי", "status": "tsBackup"}]})",
         {"--Stop", "Line\nBreak", "Tab\there", "\u202e" "evil.exe", "גיבוי לילי", "Line", "\xff\xfe\xc0\xaf"},
         "Stopping task: Line\nBreak\nStopping task: Tab\there\nStopping task: \u202e" "evil.exe\nStopping task: גיבוי לילי\n"
         "Task not found: Line\nTask not found: \xff\xfe\xc0\xaf\n", 0,
         {"task:1 Stop", "task:2 Stop", "task:3 Stop", "task:4 Stop", kDeactivated}},
        // A task this run deleted is passed over by every later search.
        {"several deletes in any order", kTasks, {"--Delete", "Refresh", "Quick", "Quick", "Nightly", "Nightly"},
         "Deleting task: Refresh\nDeleting task: Quick\nTask not found: Quick\nDeleting task: Nightly\nDeleting task: Nightly\n", 0,
         {del + "8}", del + "3}", del + "1}", del + "4}", kDeactivated}},
        {"an id deleted once", kTasks, {"-di", "3", "3"}, "Deleting task: Quick\nTask id not found: 3\n", 0, {del + "3}", kDeactivated}},
        {"a name of 128 KiB deletes its task", R"({"tasks": [{"id": 6, "name": ")" + largest + R"("}]})", {"--Delete", largest},
         "Deleting task: " + largest + "\n", 0, {del + "6}", kDeactivated}},
        // Ctrl-C or SIGTERM during a wait: the line is ended, the session closed.
        {"Ctrl-C during a wait", kTasks, {"-e", "Nightly"}, "Running task: Nightly\nWaiting\n", 130, {"task:1 Start", kDeactivated},
         kInterrupted, SIGINT},
        {"SIGTERM during a wait", kTasks, {"-e", "Nightly"}, "Running task: Nightly\nWaiting\n", 143, {"task:1 Start", kDeactivated},
         kInterrupted, SIGTERM},
        {"a server error during a wait ends it", R"({"tasks": [{"id": 1, "name": "Nightly", "start": [{"status": "tsBackup"}]}],
            "faults": [{"object": "task:1", "operation": "GetStatus", "fromCall": 2, "raise": "TRANSIENT"}]})",
         {"--Execute", "Nightly"}, "Running task: Nightly\nWaitingUnable to connect the backup server.\n", 1,
         {"task:1 Start", kDeactivated}},
    };
    // clang-format on
    for (const Row& row : rows) Check(row);
}

TEST(Commands, WaitKeysWaitForRunningTasksOnly) {
    const auto waited = [](const std::string& name, const std::string& dots,
                           const std::string& status) {
        return Waited(name, dots, status, "Waiting for task: ");
    };
    // clang-format off
    const Row rows[] = {
        {"a running task, an idle one and an unknown name", kWaits, {"--Wait", "Nightly", "Idle", "nope"},
         waited("Nightly", "..", "success") + "Task is not running: Idle (idle)\nTask not found: nope\n", 0, {kDeactivated}},
        {"all: the running ones only, in order", kWaits, {"--WaitAll"}, waited("Nightly", "..", "success") + waited("Mirror", "", "error"),
         0, {kDeactivated}},
        {"a wait key without a task", kWaits, {"-w"}, "Specify one or more tasks\n", 1, {kDeactivated}},
    };
    // clang-format on
    for (const Row& row : rows) Check(row);
}

// The monitoring check: no banner, the plugin's line and a line for each
// task that is not OK, and the state's exit code.
TEST(Commands, CheckAnswersAsAMonitoringPlugin) {
    const auto check = [](const char* label, const std::string& scenario,
                          std::vector<std::string> args, const std::string& out, int exitCode) {
        SCOPED_TRACE(label);
        const Ran ran = RunInProcess(label, scenario, args);
        EXPECT_EQ(ran.out, out);
        EXPECT_EQ(ran.exitCode, exitCode);
        EXPECT_EQ(ran.err, "");
        EXPECT_EQ(harness::Actions(harness::ParseJournal(ran.journal)),
                  std::vector<std::string>{kDeactivated});
    };
    const auto two = [](const std::string& a, const std::string& b) {
        return R"({"tasks": [{"id": 1, "name": "A", "status": )" + a +
               R"(}, {"id": 2, "name": "B", "status": )" + b + "}]}";
    };
    // clang-format off
    // Each monitoring state; the words are the status table's (status_table_test.cpp).
    check("each state", R"({"tasks": [{"id": 1, "name": "A", "status": "tsError"}, {"id": 2, "name": "B", "status": "tsStopped"},
              {"id": 3, "name": "C", "status": "tsSuccessWithErrors"}, {"id": 4, "name": "D", "status": "tsQuotaExceeded"},
              {"id": 5, "name": "E", "status": 17}, {"id": 6, "name": "F", "status": "tsBackup"}, {"id": 7, "name": "G"}]})", {"--Check"},
          "BACKUP CRITICAL - 7 tasks: 2 critical, 2 warning, 1 unknown | tasks=7 ok=2 warning=2 critical=2 unknown=1 busy=1\n"
          "error: A (id 1)\nstopped: B (id 2)\nsuccess w/errors: C (id 3)\ndeclined: D (id 4)\nunknown: E (id 5)\n", 2);
    check("warning is worse than unknown", two("\"tsStopped\"", "17"), {"-chk"},
          "BACKUP WARNING - 2 tasks: 0 critical, 1 warning, 1 unknown | tasks=2 ok=0 warning=1 critical=0 unknown=1 busy=0\n"
          "stopped: A (id 1)\nunknown: B (id 2)\n", 1);
    check("busy and idle are OK", two("\"tsBackup\"", "\"tsWaitingSchedule\""), {"--Check"},
          "BACKUP OK - 2 tasks OK | tasks=2 ok=2 warning=0 critical=0 unknown=0 busy=1\n", 0);
    check("no tasks", "{}", {"--Check"}, "BACKUP WARNING - no tasks | tasks=0 ok=0 warning=0 critical=0 unknown=0 busy=0\n", 1);
    check("named tasks, one not found", kTasks, {"--Check", "Quick", "nope", "Mirror"},
          "BACKUP CRITICAL - 2 tasks: 1 critical, 0 warning, 0 unknown, 1 not found | tasks=2 ok=1 warning=0 critical=1 unknown=0 busy=1\n"
          "error: Quick (id 3)\nnot found: nope\n", 2);
    check("a name not found is at least unknown", kTasks, {"--Check", "Mirror", "nope"},
          "BACKUP UNKNOWN - 1 task: 0 critical, 0 warning, 0 unknown, 1 not found | tasks=1 ok=1 warning=0 critical=0 unknown=0 busy=1\n"
          "not found: nope\n", 3);
    check("a failure midway", R"({"tasks": [{"id": 1, "name": "A", "status": "tsError"}, {"id": 2, "name": "B"}],
              "faults": [{"object": "task:2", "operation": "GetStatus", "raise": "NO_PERMISSION"}]})", {"--Check"},
          "BACKUP UNKNOWN - System error: NO_PERMISSION. Description: minor code: 0x00000000, completed: COMPLETED_NO\n", 3);
    // clang-format on
}

const std::string kNightlyLog =
    "Log of task: Nightly\nStarted\nCopying \x1b[31mred\nA\xEF\xBF\xBD\nFailed: disk full\n";

TEST(Commands, LogKeysReadEachLogThrough) {
    // clang-format off
    const Row rows[] = {
        {"in order, past a missing task and one without a log", kLogs, {"--Log", "Nightly", "nope", "Silent", "Busy", "Empty"},
         kNightlyLog + "Task not found: nope\nLog of task: Silent\nThe task's log is not available\nLog of task: Busy\nso far\n"
         "Log of task: Empty\n", 0, {"log:1 Open", "log:1 Close", "log:3 Open", "log:2 Open", "log:2 Close", "log:4 Open", "log:4 Close",
         kDeactivated}},
        {"by id", kLogs, {"-lgi", "x", "9", "2"}, "Id must be integer: x\nTask id not found: 9\nLog of task: Busy\nso far\n", 0,
         {"log:2 Open", "log:2 Close", kDeactivated}},
        {"a line that fails ends the command, and the log is closed", kLogFails, {"--Log", "Nightly", "Nightly"},
         "Log of task: Nightly\nStarted\nCopying\nSystem error: NO_PERMISSION. Description: minor code: 0x00000000, completed: "
         "COMPLETED_NO\n", 1, {"log:1 Open", "log:1 Close", kDeactivated}},
        {"no Close to a server that cannot be reached", R"({"tasks": [{"id": 1, "name": "Nightly", "log": {"lines": ["Started", "Copying"]}}],
            "faults": [{"object": "log:1", "operation": "GetNextLine", "fromCall": 2, "raise": "TRANSIENT"}]})", {"--Log", "Nightly"},
         "Log of task: Nightly\nStarted\nUnable to connect the backup server.\n", 1, {"log:1 Open", kDeactivated}},
    };
    // clang-format on
    for (const Row& row : rows) Check(row);
}

TEST(Commands, ProxyAndClose) {
    const std::string largestHost(128 * 1024 - 6, 'p');
    // clang-format off
    // A proxy the command stored: what it printed and the settings it wrote.
    const auto stored = [](const char* label, const std::string& arg, const std::string& hostJson, const char* port) {
        return Row{label, "{}", {"-prx", arg}, kProxyApplied, 0, ProxyStored(hostJson, port)};
    };
    const Row rows[] = {
        {"host and port, what follows ignored", "{}", {"--Proxy", "myproxy:8000", "ignored"}, kProxyApplied, 0,
         ProxyStored("\"myproxy\"", "8000")},
        stored("empty host", ":8000", "\"\"", "8000"),
        stored("empty port is 0", "myproxy:", "\"myproxy\"", "0"),
        stored("split at the first colon", "a:b:c", "\"a\"", "0"),
        // The port is read as an int (which saturates) and sent as unsigned.
        stored("a negative port wraps", "h:-1", "\"h\"", "4294967295"),
        stored("a port past 64 bits", "h:18446744073709551617", "\"h\"", "2147483647"),
        stored("a port far below zero", "h:-99999999999", "\"h\"", "2147483648"),
        stored("a host beyond ASCII", "прокси.пример:3128", "\"прокси.пример\"", "3128"),
        stored("a host of 128 KiB", largestHost + ":8000", "\"" + largestHost + "\"", "8000"),
        {"no colon", "{}", {"--Proxy", "myproxy"}, "Please, specify your proxy host and port in the following format: myproxy:8000\n", 1,
         {kDeactivated}},
        {"no argument", "{}", {"--Proxy"}, "Please, specify your proxy host and port, e.g. myproxy:8000\n", 1, {kDeactivated}},
        {"the settings fail with their own text",
         R"({"faults": [{"object": "settings", "operation": "_set_proxyPort", "raise": "NO_PERMISSION"}]})",
         {"--Proxy", "myproxy:8000"}, "Failed to set proxy due the unknown error.\n", 1,
         {"settings _set_proxyHost {\"value\":\"myproxy\"}", "settings _set_proxyPort {\"value\":8000}", kDeactivated},
         "cvcc: the proxy could not be set: NO_PERMISSION, minor code: 0x00000000, completed: COMPLETED_NO\n"},
        {"close shuts the server down without a session", R"({"server": {"shutdown": "ignore"}})", {"--Close"}, "Shutdown server\n", 0,
         {"server ShutdownServer"}},
        {"close ends processing", R"({"server": {"shutdown": "ignore"}})", {"-c", "--List"}, "Shutdown server\n", 0,
         {"server ShutdownServer"}},
    };
    // clang-format on
    for (const Row& row : rows) Check(row);
}

}  // namespace
}  // namespace inprocess
