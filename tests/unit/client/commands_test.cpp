// The commands in-process: the dispatcher, the task commands, the listing,
// the proxy and the close command against the simulator's own servants in
// this process, with a server that was found already standing in for the
// connection sequence (which the end-to-end cases cover). Each row gives a
// scenario, the arguments, what the console shows after the banner, the
// exit code and the requests that changed something on the server. The
// waits are recorded instead of slept: every one must be 3000 ms, one before
// each status poll ("Waiting" and one more for each dot).
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <csignal>
#include <nlohmann/json.hpp>
#include <sstream>

#include "client/ConsoleApp.h"
#include "client/banner.h"
#include "client/run.h"
#include "sim/harness/backup_network.h"
#include "sim/harness/process.h"
#include "sim/journal.h"
#include "sim/scenario.h"
#include "sim/server_servants.h"
#include "sim/simulation.h"
#include "tests/harness/cerr_capture.h"
#include "tests/harness/expected.h"
#include "tests/harness/loopback_orb.h"
#include "utility/strings.h"

namespace {

using CVLib::strings::toAstr;
using CVLib::strings::toWstr;
using harness::kDeactivated;
using harness::kListHead;
using harness::kProxyApplied;
using harness::ListRow;
using harness::ProxyStored;

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

std::string Waited(const std::string& name, const std::string& dots, const std::string& status) {
    return "Running task: " + name + "\nWaiting" + dots + "\nCompleted with status: " + status +
           "\n\n";
}

// The sleeps a console output implies: one before each status poll.
std::size_t PollsShown(const std::string& out) {
    std::size_t polls = 0;
    for (auto at = out.find("\nWaiting"); at != std::string::npos;
         at = out.find("\nWaiting", at + 1))
        for (auto dot = at + 8; ++polls, dot < out.size() && out[dot] == '.'; ++dot) {
        }
    return polls;
}

// One run against the simulator's servants in this process.
struct Ran {
    std::string out;
    int exitCode;
    std::string err, journal;
    std::vector<std::chrono::milliseconds> sleeps;
};

Ran RunInProcess(const char* name, const std::string& scenario,
                 const std::vector<std::string>& args, int signalAtSleep = 0) {
    harness::TempDir dir;
    const std::string journalPath = dir.path() + "/journal";
    std::wostringstream console;
    Ran ran;
    CerrCapture err;
    {
        bnsim::Journal journal(journalPath);
        bnsim::Simulation sim(harness::LoopbackOrb(), journal, bnsim::ParseScenario(scenario, name),
                              "in-process");
        bnsim::CreateTasks(sim);
        CORBA::Object_var object = sim.Activate(new bnsim::ServerServant(sim), "server");
        BackupNetwork::Server_var server = BackupNetwork::Server::_narrow(object);
        std::vector<std::wstring> texts = {L"cvcc"};
        for (const std::string& arg : args) texts.push_back(toWstr(arg));
        std::vector<wchar_t*> argv;
        for (std::wstring& text : texts) argv.push_back(text.data());
        ran.exitCode = RunToExitCode(
            [&] {
                return ConsoleApp(static_cast<int>(argv.size()), argv.data(), server, console,
                                  [&](std::chrono::milliseconds d) {
                                      ran.sleeps.push_back(d);
                                      if (!signalAtSleep) return;
                                      ::raise(signalAtSleep);
                                      // Caught once: a second one would end the program at once.
                                      struct sigaction now = {};
                                      ::sigaction(signalAtSleep, nullptr, &now);
                                      EXPECT_EQ(now.sa_handler, SIG_DFL);
                                  })
                    .Run();
            },
            console);
    }
    ran.out = toAstr(console.str());
    ran.err = err.str();
    ran.journal = harness::ReadFile(journalPath);
    // Outside a wait the signals keep their default action.
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction now = {};
        ::sigaction(signal, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL);
    }
    return ran;
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

// Each status the protocol knows, in its order, and its word in the listing.
// clang-format off
const std::pair<const char*, const char*> kStatusWords[] = {
    {"tsBackup", "backuping"}, {"tsRestore", "restoring"}, {"tsSynchronize", "synchronizing"}, {"tsRefresh", "refreshing"},
    {"tsWaiting", "idle"}, {"tsWaitingSchedule", "idle, scheduled"}, {"tsSuccess", "success"}, {"tsSuccessSchedule", "success"},
    {"tsError", "error"}, {"tsErrorSchedule", "error"}, {"tsStopped", "stopped"}, {"tsQuotaExceeded", "declined"},
    {"tsAccountExpired", "declined"}, {"tsSilentDeclined", "declined"}, {"tsSuccessWithErrors", "success w/errors"},
    {"tsSuccessScheduleWithErrors", "success w/errors"}, {"tsTotal", "unknown"}};
// clang-format on

// One task in each status, named after it, and the table it gives.
std::pair<std::string, std::string> EveryStatus() {
    std::string tasks, table = kListHead;
    for (int i = 0; i < 17; ++i) {
        const auto [status, word] = kStatusWords[i];
        tasks += std::string(i ? "," : "") + R"({"id": )" + std::to_string(i) + R"(, "name": ")" +
                 status + R"(", "status": ")" + status + R"("})";
        table += ListRow(std::to_string(i), status, word);
    }
    return {R"({"tasks": [)" + tasks + "]}", table};
}

TEST(Commands, ListTheSnapshotInTheServersOrder) {
    const auto [everyStatus, everyTable] = EveryStatus();
    const std::string fifty(50, 'F'), longer(60, 'L'), megabyte(1024 * 1024, 'N');
    // clang-format off
    // A listing: what it printed after the heading; the session ends.
    const auto listed = [](const char* label, const std::string& scenario, const std::string& rows, int exitCode = 0) {
        return Row{label, scenario, {"--List"}, kListHead + rows, exitCode, {kDeactivated}};
    };
    const Row rows[] = {
        listed("empty snapshot", "{}", ""),
        {"every status in words, by the short key", everyStatus, {"-l"}, everyTable, 0, {kDeactivated}},
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
    };
    // clang-format on
    for (const Row& row : rows) Check(row);
}

// Nightly (1) is idle and, once started, busy for two polls; Busy (2) is
// backing up; Quick (3) is done at the first poll; Nightly again (4) as a
// second task of the same name; Mirror (12) synchronises; Refresh (8) is
// refreshing, which is not busy.
const std::string kTasks = R"({"tasks": [
    {"id": 1, "name": "Nightly", "status": "tsSuccess", "start": [{"status": "tsBackup", "polls": 2}, {"status": "tsSuccess"}]},
    {"id": 2, "name": "Busy", "status": "tsBackup"},
    {"id": 3, "name": "Quick", "status": "tsError", "start": [{"status": "tsSuccessWithErrors"}]},
    {"id": 4, "name": "Nightly", "status": "tsWaiting"},
    {"id": 12, "name": "Mirror", "status": "tsSynchronize"},
    {"id": 8, "name": "Refresh", "status": "tsRefresh", "start": [{"status": "tsRestore", "polls": 1}, {"status": "tsStopped"}]}]})";
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
        {"an id is read from a number's prefix", kTasks, {"--ExecuteId", "3abc"}, Waited("Quick", "", "success w/errors"), 0,
         {"task:3 Start", kDeactivated}},
        {"id messages", kTasks, {"-ei", "abc", "007", "2147483648", "-2147483649", "+5", " 12", "0x10", ""},
         "Id must be integer: abc\nTask id not found: 7\nId must be integer: 2147483648\nId must be integer: -2147483649\n"
         "Task id not found: 5\nTask is busy: Mirror\nTask id not found: 0\nId must be integer: \n", 0, {kDeactivated}},
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
        {"nothing to stop past the last status", kNewer, {"-sa"}, "", 0, {kDeactivated}},
        {"delete past the last status", kNewer, {"--DeleteAll"}, "Deleting task: New\nDeleting task: Newer\n", 0,
         {del + "1}", del + "2}", kDeactivated}},
        {"odd names matched exactly", R"({"tasks": [{"id": 1, "name": "Line\nBreak", "status": "tsBackup"},
            {"id": 2, "name": "Tab\there", "status": "tsBackup"}, {"id": 3, "name": "\u202eevil.exe", "status": "tsBackup"},
            {"id": 4, "name": "גיבוי לילי", "status": "tsBackup"}]})",
         {"--Stop", "Line\nBreak", "Tab\there", "\u202e" "evil.exe", "גיבוי לילי", "Line", "\xff\xfe\xc0\xaf"},
         "Stopping task: Line\nBreak\nStopping task: Tab\there\nStopping task: \u202e" "evil.exe\nStopping task: גיבוי לילי\n"
         "Task not found: Line\nTask not found: \xff\xfe\xc0\xaf\n", 0,
         {"task:1 Stop", "task:2 Stop", "task:3 Stop", "task:4 Stop", kDeactivated}},
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

// Nightly's log has a control sequence and a lone surrogate; Busy is read
// while busy; Silent has none; Empty opens and has no lines.
const std::string kLogs = R"({"tasks": [
    {"id": 1, "name": "Nightly", "status": "tsError", "log": {"lines": ["Started", "Copying \u001b[31mred", [65, 56475], "Failed: disk full"]}},
    {"id": 2, "name": "Busy", "status": "tsBackup", "log": {"lines": ["so far"]}},
    {"id": 3, "name": "Silent"}, {"id": 4, "name": "Empty", "log": {}}]})";
const std::string kNightlyLog =
    "Log of task: Nightly\nStarted\nCopying \x1b[31mred\nA\xEF\xBF\xBD\nFailed: disk full\n";
const std::string kLogFails =
    R"({"tasks": [{"id": 1, "name": "Nightly", "log": {"lines": ["Started", "Copying", "Done"]}}],
    "faults": [{"object": "log:1", "operation": "GetNextLine", "fromCall": 3, "raise": "NO_PERMISSION"}]})";

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
         {"settings _set_proxyHost {\"value\":\"myproxy\"}", "settings _set_proxyPort {\"value\":8000}", kDeactivated}},
        {"close shuts the server down without a session", R"({"server": {"shutdown": "ignore"}})", {"--Close"}, "Shutdown server\n", 0,
         {"server ShutdownServer"}},
        {"close ends processing", R"({"server": {"shutdown": "ignore"}})", {"-c", "--List"}, "Shutdown server\n", 0,
         {"server ShutdownServer"}},
    };
    // clang-format on
    for (const Row& row : rows) Check(row);
}

// The JSON mode: each row gives the document (compared as JSON) and the
// exit code; the run without the key must send the same requests, wait the
// same waits and say the same on stderr.
struct JsonRow {
    const char* name;
    std::string scenario;
    std::vector<std::string> args;  // the JSON key first
    std::string json;
    int exitCode;
    int signalAtSleep = 0;
};

void CheckJson(const JsonRow& row) {
    SCOPED_TRACE(row.name);
    const Ran json = RunInProcess(row.name, row.scenario, row.args, row.signalAtSleep);
    EXPECT_EQ(json.exitCode, row.exitCode);
    // One document, on one line, and nothing else.
    EXPECT_EQ(json.out.find('\n') + 1, json.out.size()) << json.out;
    EXPECT_EQ(nlohmann::json::parse(json.out), nlohmann::json::parse(row.json)) << json.out;
    const Ran plain = RunInProcess(row.name, row.scenario, {row.args.begin() + 1, row.args.end()},
                                   row.signalAtSleep);
    EXPECT_EQ(json.journal, plain.journal);
    EXPECT_EQ(json.sleeps, plain.sleeps);
    EXPECT_EQ(json.err, plain.err);
}

TEST(Commands, JsonDocumentsAndExitCodes) {
    const auto ended = [](const char* argument, const char* status, int number, int polls) {
        return R"({"argument": ")" + std::string(argument) + R"(", "name": ")" + argument +
               R"(", "outcome": "ended", "status": ")" + status + R"(", "statusNumber": )" +
               std::to_string(number) + R"(, "polls": )" + std::to_string(polls) + "}";
    };
    const std::string started =
        R"({"tasks": [{"argument": "Nightly", "name": "Nightly", "outcome": "started"}], )";
    const std::string noPermission =
        R"("exception": {"name": "NO_PERMISSION", "minor": 0, "minorName": null, "completed": "COMPLETED_NO"})";
    // clang-format off
    const JsonRow rows[] = {
        {"a listing, names escaped", R"({"tasks": [{"id": 3, "name": "Nightly"}, {"id": -7, "name": [65, 56475, 27, 10], "status": "tsSuccessWithErrors"},
            {"id": 9, "name": "x", "status": 4294967295}]})", {"--Json", "--List"},
         R"({"tasks": [{"id": 3, "name": "Nightly", "status": "idle", "statusNumber": 4},
            {"id": -7, "name": "A\ufffd\u001b\n", "status": "success w/errors", "statusNumber": 14},
            {"id": 9, "name": "x", "status": "unknown", "statusNumber": 4294967295}]})", 0},
        {"a listing that fails keeps its rows", R"({"tasks": [{"id": 1, "name": "A"}, {"id": 2, "name": "B"}],
            "faults": [{"object": "task:2", "operation": "GetStatus", "raise": "NO_PERMISSION"}]})", {"--json", "--List"},
         R"({"tasks": [{"id": 1, "name": "A", "status": "idle", "statusNumber": 4}], "error": {"message": "System error: NO_PERMISSION. )"
         R"(Description: minor code: 0x00000000, completed: COMPLETED_NO", )" + noPermission + "}}", 1},
        {"an executed task that succeeds", kTasks, {"--json", "--Execute", "Nightly"}, R"({"tasks": [)" + ended("Nightly", "success", 6, 3) + "]}", 0},
        {"not found, busy, or another end: 2", kTasks, {"-j", "-e", "Quick", "nope", "Busy", "Refresh"}, R"({"tasks": [)" +
         ended("Quick", "success w/errors", 14, 1) + R"(, {"argument": "nope", "outcome": "not found"},
            {"argument": "Busy", "name": "Busy", "outcome": "busy", "status": "backuping", "statusNumber": 0}, )" +
         ended("Refresh", "stopped", 10, 2) + "]}", 2},
        {"scheduled successes are successes", R"({"tasks": [{"id": 1, "name": "A", "start": [{"status": "tsSuccessSchedule"}]},
            {"id": 2, "name": "B", "start": [{"status": "tsSuccessScheduleWithErrors"}]}]})", {"-j", "-ea"},
         R"({"tasks": [{"name": "A", "outcome": "ended", "status": "success", "statusNumber": 7, "polls": 1},
            {"name": "B", "outcome": "ended", "status": "success w/errors", "statusNumber": 15, "polls": 1}]})", 0},
        {"ids: bad, unknown, stopped, not running", kTasks, {"-j", "-si", "abc", "007", "12", "1"},
         R"({"tasks": [{"argument": "abc", "outcome": "bad id"}, {"argument": "007", "id": 7, "outcome": "not found"},
            {"argument": "12", "id": 12, "name": "Mirror", "outcome": "stopping", "status": "synchronizing", "statusNumber": 2},
            {"argument": "1", "id": 1, "name": "Nightly", "outcome": "not running", "status": "success", "statusNumber": 6}]})", 2},
        {"delete all", kTasks, {"-j", "-da"}, R"({"tasks": [{"name": "Nightly", "outcome": "deleting", "status": "success", "statusNumber": 6},
            {"name": "Busy", "outcome": "busy", "status": "backuping", "statusNumber": 0},
            {"name": "Quick", "outcome": "deleting", "status": "error", "statusNumber": 8},
            {"name": "Nightly", "outcome": "deleting", "status": "idle", "statusNumber": 4},
            {"name": "Mirror", "outcome": "busy", "status": "synchronizing", "statusNumber": 2},
            {"name": "Refresh", "outcome": "deleting", "status": "refreshing", "statusNumber": 3}]})", 2},
        {"a task key without a task", kTasks, {"-j", "-e"}, R"({"error": {"message": "Specify one or more tasks"}})", 1},
        {"Ctrl-C during a wait", kTasks, {"-j", "-e", "Nightly"}, started + R"("interrupted": {"signal": 2}})", 130, SIGINT},
        {"a server error during a wait", R"({"tasks": [{"id": 1, "name": "Nightly", "start": [{"status": "tsBackup"}]}],
            "faults": [{"object": "task:1", "operation": "GetStatus", "fromCall": 2, "raise": "TRANSIENT"}]})", {"-j", "--Execute", "Nightly"},
         started + R"("error": {"message": "Unable to connect the backup server.",
            "exception": {"name": "TRANSIENT", "minor": 0, "minorName": null, "completed": "COMPLETED_NO"}}})", 1},
        {"the ORB's own minor code", R"({"tasks": [{"id": 5, "name": "First"}, {"id": 5, "name": "Second", "status": "tsBackup"}]})",
         {"-j", "-di", "5", "5"}, R"({"tasks": [{"argument": "5", "id": 5, "name": "First", "outcome": "deleting", "status": "idle", "statusNumber": 4}],
            "error": {"message": "System error: OBJECT_NOT_EXIST. Description: minor code: OBJECT_NOT_EXIST_NoMatch (0x4f4d0001), completed: COMPLETED_NO",
            "exception": {"name": "OBJECT_NOT_EXIST", "minor": 1330446337, "minorName": "OBJECT_NOT_EXIST_NoMatch", "completed": "COMPLETED_NO"}}})", 1},
        {"a user exception", R"({"server": {"denyAllLogins": true}})", {"-j", "-l"}, R"({"error": {"message": "Access denied",
            "exception": {"name": "AccessDenied", "repositoryId": "IDL:tarmelin/BackupNetwork/Server/AccessDenied:1.0"}}})", 1},
        {"proxy, bytes that are not UTF-8 replaced", "{}", {"-j", "--Proxy", "\xff\x1b:8000"},
         R"({"proxy": {"host": "\ufffd\u001b", "port": 8000}})", 0},
        {"proxy that fails", R"({"faults": [{"object": "settings", "operation": "_set_proxyPort", "raise": "NO_PERMISSION"}]})",
         {"-j", "-prx", "h:1"}, R"({"error": {"message": "Failed to set proxy due the unknown error.", )" + noPermission + "}}", 1},
        {"close", R"({"server": {"shutdown": "ignore"}})", {"-j", "--Close"}, R"({"shutdown": "requested"})", 0},
        {"logs, one missing and one not available: 2", kLogs, {"-j", "--Log", "Nightly", "nope", "Silent", "Empty"},
         R"({"tasks": [{"argument": "Nightly", "name": "Nightly", "outcome": "log", "lines": ["Started", "Copying \u001b[31mred", "A\ufffd",
            "Failed: disk full"]}, {"argument": "nope", "outcome": "not found"}, {"argument": "Silent", "name": "Silent", "outcome": "no log"},
            {"argument": "Empty", "name": "Empty", "outcome": "log", "lines": []}]})", 2},
        {"a log by id", kLogs, {"-j", "-lgi", "2"}, R"({"tasks": [{"argument": "2", "id": 2, "name": "Busy", "outcome": "log", "lines": ["so far"]}]})", 0},
        {"a log that fails keeps its lines", kLogFails, {"-j", "-lg", "Nightly"}, R"({"tasks": [{"argument": "Nightly", "name": "Nightly",
            "outcome": "log", "lines": ["Started", "Copying"]}], "error": {"message": "System error: NO_PERMISSION. Description: minor code: )"
         R"(0x00000000, completed: COMPLETED_NO", )" + noPermission + "}}", 1},
        {"no key", "{}", {"-j"}, R"({"error": {"message": "No key given; the keys are those of cvcc --Help"}})", 2},
        {"help", "{}", {"--Json", "-h"}, R"({"error": {"message": "No JSON form of -h"}})", 2},
        {"an unknown key, the JSON key among them", "{}", {"-j", "--json"}, R"({"error": {"message": "Unknown parameter: --json"}})", 2},
    };
    // clang-format on
    for (const JsonRow& row : rows) CheckJson(row);
}

// With stderr on a terminal, a wait shows its progress there; the rest of
// the console's texts are in the document only.
TEST(Commands, JsonWaitProgressOnATerminal) {
    int master = -1, terminal = -1;
    ASSERT_EQ(::openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(terminal, STDERR_FILENO);
    const Ran ran = RunInProcess("progress", kTasks, {"-j", "-e", "Quick", "Busy"});
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(terminal);
    std::string shown;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        shown.append(buffer, static_cast<size_t>(n));
    ::close(master);
    // The terminal ends its lines with CR LF.
    EXPECT_EQ(shown,
              "Running task: Quick\r\nWaiting\r\nCompleted with status: success w/errors\r\n\r\n");
    EXPECT_EQ(nlohmann::json::parse(ran.out)["tasks"].size(), 2u);
}

}  // namespace
