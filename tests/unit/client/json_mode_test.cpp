// The JSON mode in-process: each row gives the document (compared as JSON)
// and the exit code; the run without the key must send the same requests,
// wait the same waits and say the same on stderr.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <csignal>
#include <nlohmann/json.hpp>
#include <regex>

#include "tests/unit/client/in_process.h"

namespace inprocess {
namespace {

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
    // One document, on one line, and nothing else; no DEL, C1 control or
    // line or paragraph separator stands raw in it.
    EXPECT_EQ(json.out.find('\n') + 1, json.out.size()) << json.out;
    EXPECT_FALSE(std::regex_search(json.out, std::regex("\x7f|\xc2[\x80-\x9f]|\xe2\x80[\xa8\xa9]")))
        << json.out;
    EXPECT_EQ(nlohmann::json::parse(json.out), nlohmann::json::parse(row.json)) << json.out;
    const Ran plain = RunInProcess(row.name, row.scenario, {row.args.begin() + 1, row.args.end()},
                                   row.signalAtSleep);
    EXPECT_EQ(json.journal, plain.journal);
    EXPECT_EQ(json.sleeps, plain.sleeps);
    EXPECT_EQ(json.err, plain.err);
}

TEST(JsonMode, DocumentsAndExitCodes) {
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
        {"a listing, names escaped", R"({"tasks": [{"id": 3, "name": "Nightly"}, {"id": -7, "name": [65, 56475, 27, 10, 127, 133, 155, 8232, 8233], "status": "tsSuccessWithErrors"},
            {"id": 9, "name": "x", "status": 4294967295}]})", {"--Json", "--List"},
         R"({"tasks": [{"id": 3, "name": "Nightly", "status": "idle", "statusNumber": 4},
            {"id": -7, "name": "A\ufffd\u001b\n\u007f\u0085\u009b\u2028\u2029", "status": "success w/errors", "statusNumber": 14},
            {"id": 9, "name": "x", "status": "unknown", "statusNumber": 4294967295}]})", 0},
        {"a listing that fails keeps its rows", R"({"tasks": [{"id": 1, "name": "A"}, {"id": 2, "name": "B"}],
            "faults": [{"object": "task:2", "operation": "GetStatus", "raise": "NO_PERMISSION"}]})", {"--json", "--List"},
         R"({"tasks": [{"id": 1, "name": "A", "status": "idle", "statusNumber": 4}], "error": {"message": "System error: NO_PERMISSION. )"
         R"(Description: minor code: 0x00000000, completed: COMPLETED_NO", )" + noPermission + "}}", 1},
        {"an executed task that succeeds", kTasks, {"--json", "--Execute", "Nightly"}, R"({"tasks": [)" + ended("Nightly", "success", 6, 3) + "]}", 0},
        {"an end other than success: 2", kTasks, {"-j", "-e", "Quick", "Refresh"}, R"({"tasks": [)" +
         ended("Quick", "success w/errors", 14, 1) + ", " + ended("Refresh", "stopped", 10, 2) + "]}", 2},
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
        {"waits: ended, not running, and an end other than success", kWaits, {"-j", "--Wait", "Nightly", "Idle", "Mirror"},
         R"({"tasks": [{"argument": "Nightly", "name": "Nightly", "outcome": "ended", "status": "success", "statusNumber": 6, "polls": 3},
            {"argument": "Idle", "name": "Idle", "outcome": "not running", "status": "idle", "statusNumber": 4},
            {"argument": "Mirror", "name": "Mirror", "outcome": "ended", "status": "error", "statusNumber": 8, "polls": 1}]})", 2},
        {"Ctrl-C during a wait for a running task", kWaits, {"-j", "-wi", "1"},
         R"({"tasks": [{"argument": "1", "id": 1, "name": "Nightly", "outcome": "waiting"}], "interrupted": {"signal": 2}})", 130, SIGINT},
        {"the check", R"({"tasks": [{"id": 1, "name": "A", "status": "tsError"}, {"id": 2, "name": "B", "status": "tsBackup"}]})",
         {"-j", "--Check", "A", "B", "C"}, R"({"state": "CRITICAL", "summary": "2 tasks: 1 critical, 0 warning, 0 unknown, 1 not found",
            "counts": {"tasks": 2, "ok": 1, "warning": 0, "critical": 1, "unknown": 0, "busy": 1},
            "tasks": [{"id": 1, "name": "A", "status": "error", "statusNumber": 8, "state": "CRITICAL"}], "notFound": ["C"]})", 2},
        {"a check that fails", R"({"server": {"denyAllLogins": true}})", {"-j", "-chk"}, R"({"state": "UNKNOWN", "summary": "Access denied",
            "error": {"message": "Access denied", "exception": {"name": "AccessDenied",
            "repositoryId": "IDL:tarmelin/BackupNetwork/Server/AccessDenied:1.0"}}})", 3},
        {"no key", "{}", {"-j"}, R"({"error": {"message": "No key given; the keys are those of cvcc --Help"}})", 2},
        {"help", "{}", {"--Json", "-h"}, R"({"error": {"message": "No JSON form of -h"}})", 2},
        {"an unknown key, the JSON key among them", "{}", {"-j", "--json"}, R"({"error": {"message": "Unknown parameter: --json"}})", 2},
    };
    // clang-format on
    for (const JsonRow& row : rows) CheckJson(row);
}

// With stderr on a terminal, a wait shows its progress there; the rest of
// the console's texts are in the document only.
TEST(JsonMode, WaitProgressOnATerminal) {
    int master = -1, terminal = -1;
    ASSERT_EQ(::openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(terminal, STDERR_FILENO);
    RunInProcess("progress", kTasks, {"-j", "-e", "Quick", "Busy"});
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
}

}  // namespace
}  // namespace inprocess
