// The metrics in-process (in_process.h): the Prometheus text of a listing,
// byte for byte but for the run's duration; the failed form; and the
// textfile, replaced whole whatever the run's end.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "harness/backup_network.h"
#include "harness/files.h"
#include "tests/support/expected.h"
#include "tests/unit/client/in_process.h"

namespace inprocess {
namespace {

using support::kDeactivated;

// The duration, which is the run's own, reads D.
std::string WithoutDuration(const std::string& text) {
    return std::regex_replace(
        text, std::regex("(cvcc_collect_duration_seconds) [0-9]+\\.[0-9]{3}\n"), "$1 D\n");
}

std::string Family(const std::string& name, const std::string& help) {
    return "# HELP " + name + " " + help + "\n# TYPE " + name + " gauge\n";
}

// The three families of every run: what the in-process run knows of the
// server's version is nothing, since it skips the version check.
std::string Head(bool up) {
    return Family("cvcc_up", "Whether the run read the backup server's whole task listing.") +
           "cvcc_up " + (up ? "1" : "0") + "\n" +
           Family("cvcc_collect_duration_seconds", "How long the run took.") +
           "cvcc_collect_duration_seconds D\n" +
           Family("cvcc_info", "The version of cvcc, and of the backup server when known.") +
           "cvcc_info{version=\"" CVCC_VERSION "\"} 1\n";
}

std::string States(const std::string& labels, int state) {
    std::string text;
    const char* names[] = {"ok", "warning", "critical", "unknown"};
    for (int s = 0; s < 4; ++s)
        text += "cvcc_task_state{" + labels + ",state=\"" + names[s] + "\"} " +
                (s == state ? "1" : "0") + "\n";
    return text;
}

TEST(Metrics, AListingBecomesTheTextFormat) {
    // A name that needs escaping; a second task of the same id and name,
    // which is the first's series; a status past the protocol's last.
    const std::string scenario = R"({"tasks": [
        {"id": 1, "name": "A \"q\" \\ b\nc", "status": "tsError"},
        {"id": 2, "name": "Busy", "status": "tsBackup"},
        {"id": 2, "name": "Busy", "status": "tsSuccess"},
        {"id": 3, "name": "New", "status": 17},
        {"id": 4, "name": "Stopped", "status": "tsStopped"}]})";
    const std::string a = R"(id="1",name="A \"q\" \\ b\nc")", busy = R"(id="2",name="Busy")",
                      fresh = R"(id="3",name="New")", stopped = R"(id="4",name="Stopped")";
    const Ran ran = RunInProcess("metrics", scenario, {"--Metrics"});
    EXPECT_EQ(WithoutDuration(ran.out),
              Head(true) + Family("cvcc_tasks", "The number of tasks on the backup server.") +
                  "cvcc_tasks 5\n" +
                  Family("cvcc_task_status", "The task's status code (docs/json.md).") +
                  "cvcc_task_status{" + a + "} 8\ncvcc_task_status{" + busy +
                  "} 0\ncvcc_task_status{" + fresh + "} 17\ncvcc_task_status{" + stopped +
                  "} 10\n" +
                  Family("cvcc_task_state",
                         "1 for the task's monitoring state, as --Check maps its status, else 0.") +
                  States(a, 2) + States(busy, 0) + States(fresh, 3) + States(stopped, 1) +
                  Family("cvcc_task_busy",
                         "1 while the task backs up, restores or synchronises, else 0.") +
                  "cvcc_task_busy{" + a + "} 0\ncvcc_task_busy{" + busy + "} 1\ncvcc_task_busy{" +
                  fresh + "} 0\ncvcc_task_busy{" + stopped + "} 0\n");
    EXPECT_EQ(ran.exitCode, 0);
    EXPECT_EQ(ran.err, "");
    EXPECT_EQ(harness::Actions(harness::ParseJournal(ran.journal)),
              std::vector<std::string>{kDeactivated});
}

TEST(Metrics, AFailedRunGivesNoTaskSeriesAndTheTextfileIsReplacedWhole) {
    const std::string failing = R"({"tasks": [{"id": 1, "name": "A"}, {"id": 2, "name": "B"}],
        "faults": [{"object": "task:2", "operation": "GetStatus", "raise": "NO_PERMISSION"}]})";
    const std::string kPermission =
        "cvcc: System error: NO_PERMISSION. Description: minor code: 0x00000000, completed: "
        "COMPLETED_NO\n";
    harness::TempDir dir;
    const std::string file = dir.path() + "/cvcc.prom";
    harness::WriteFile(file, "an older file\n");
    struct Row {
        const char* label;
        std::string scenario;
        std::vector<std::string> args;
        std::string out, err;
        int exitCode;
        std::vector<std::string> actions;
        std::string textfile = "";  // what the file holds after the run
    };
    const std::string whole =
        Head(true) + Family("cvcc_tasks", "The number of tasks on the backup server.") +
        "cvcc_tasks 0\n" + Family("cvcc_task_status", "The task's status code (docs/json.md).") +
        Family("cvcc_task_state",
               "1 for the task's monitoring state, as --Check maps its status, else 0.") +
        Family("cvcc_task_busy", "1 while the task backs up, restores or synchronises, else 0.");
    // clang-format off
    const Row rows[] = {
        {"a failure midway", failing, {"-mtr"}, Head(false), kPermission, 1, {kDeactivated}},
        {"two outputs for one run", "{}", {"--Json", "--Metrics"},
         R"({"error":{"message":"--Metrics writes the Prometheus text format and takes no --Json"}})" "\n", "", 1, {}},
        {"a failure replaces the file", failing, {"--Metrics", file}, "", kPermission, 1, {kDeactivated}, Head(false)},
        {"a whole run replaces it", "{}", {"--Metrics", file}, "", "", 0, {kDeactivated}, whole},
        {"a file that cannot be written", "{}", {"--Metrics", dir.path() + "/none/cvcc.prom"}, "",
         "cvcc: the metrics could not replace " + dir.path() + "/none/cvcc.prom: No such file or directory\n", 1, {kDeactivated}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const Ran ran = RunInProcess(row.label, row.scenario, row.args);
        EXPECT_EQ(WithoutDuration(ran.out), row.out);
        EXPECT_EQ(ran.err, row.err);
        EXPECT_EQ(ran.exitCode, row.exitCode);
        EXPECT_EQ(harness::Actions(harness::ParseJournal(ran.journal)), row.actions);
        if (!row.textfile.empty()) {
            EXPECT_EQ(WithoutDuration(harness::ReadFile(file)), row.textfile);
        }
        EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
    }
}

}  // namespace
}  // namespace inprocess
