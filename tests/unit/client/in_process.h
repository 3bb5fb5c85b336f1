// Runs of the application object against the simulator's servants in this
// process, a server found already standing in for the connection sequence.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace inprocess {

// One run against the simulator's servants in this process.
struct Ran {
    std::string out;
    int exitCode;
    std::string err, journal;
    std::vector<std::chrono::milliseconds> sleeps;
};

// Runs cvcc with the arguments against the scenario; at the first sleep
// raises signalAtSleep, when given, as Ctrl-C during a wait would. Checks
// that outside a wait the signals keep their default action.
Ran RunInProcess(const char* name, const std::string& scenario,
                 const std::vector<std::string>& args, int signalAtSleep = 0);

// Nightly (1) is idle and, once started, busy for two polls; Busy (2) is
// backing up; Quick (3) is done at the first poll; Nightly again (4) as a
// second task of the same name; Mirror (12) synchronises; Refresh (8) is
// refreshing, which is not busy.
inline const std::string kTasks = R"({"tasks": [
    {"id": 1, "name": "Nightly", "status": "tsSuccess", "start": [{"status": "tsBackup", "polls": 2}, {"status": "tsSuccess"}]},
    {"id": 2, "name": "Busy", "status": "tsBackup"},
    {"id": 3, "name": "Quick", "status": "tsError", "start": [{"status": "tsSuccessWithErrors"}]},
    {"id": 4, "name": "Nightly", "status": "tsWaiting"},
    {"id": 12, "name": "Mirror", "status": "tsSynchronize"},
    {"id": 8, "name": "Refresh", "status": "tsRefresh", "start": [{"status": "tsRestore", "polls": 1}, {"status": "tsStopped"}]}]})";  // Nightly's log has a control sequence and a lone surrogate; Busy is read
// while busy; Silent has none; Empty opens and has no lines.
inline const std::string kLogs = R"({"tasks": [
    {"id": 1, "name": "Nightly", "status": "tsError", "log": {"lines": ["Started", "Copying \u001b[31mred", [65, 56475], "Failed: disk full"]}},
    {"id": 2, "name": "Busy", "status": "tsBackup", "log": {"lines": ["so far"]}},
    {"id": 3, "name": "Silent"}, {"id": 4, "name": "Empty", "log": {}}]})";
// Nightly (1) backs up for three polls and Mirror (3) synchronises for one,
// each on its own, without a Start; Idle (2) is idle.
inline const std::string kWaits = R"({"tasks": [
    {"id": 1, "name": "Nightly", "run": [{"status": "tsBackup", "polls": 3}, {"status": "tsSuccess"}]},
    {"id": 2, "name": "Idle"},
    {"id": 3, "name": "Mirror", "run": [{"status": "tsSynchronize", "polls": 1}, {"status": "tsError"}]}]})";
inline const std::string kLogFails =
    R"({"tasks": [{"id": 1, "name": "Nightly", "log": {"lines": ["Started", "Copying", "Done"]}}],
    "faults": [{"object": "log:1", "operation": "GetNextLine", "fromCall": 3, "raise": "NO_PERMISSION"}]})";

}  // namespace inprocess
