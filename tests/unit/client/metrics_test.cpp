// The metrics' failures in-process (in_process.h); what the node exporter
// reads of whole runs, failed ones and their file is in tests/monitoring.
#include <gtest/gtest.h>

#include "harness/backup_network.h"
#include "harness/files.h"
#include "tests/support/expected.h"
#include "tests/unit/client/in_process.h"

namespace inprocess {
namespace {

TEST(Metrics, AFailureGivesTheFailedFormAndSaysWhyOnStderr) {
    const std::string failing = R"({"tasks": [{"id": 1, "name": "A"}, {"id": 2, "name": "B"}],
        "faults": [{"object": "task:2", "operation": "GetStatus", "raise": "NO_PERMISSION"}]})";
    // No task series, and no server version: the in-process run skips its
    // check. The duration is the run's own, and reads D.
    const std::string failed =
        "# HELP cvcc_up Whether the run read the backup server's whole task listing.\n"
        "# TYPE cvcc_up gauge\ncvcc_up 0\n# HELP cvcc_collect_duration_seconds How long the run "
        "took.\n# TYPE cvcc_collect_duration_seconds gauge\ncvcc_collect_duration_seconds D\n"
        "# HELP cvcc_info The version of cvcc, and of the backup server when known.\n"
        "# TYPE cvcc_info gauge\ncvcc_info{version=\"" CVCC_VERSION "\"} 1\n";
    harness::TempDir dir;
    const std::string nowhere = dir.path() + "/none/cvcc.prom";
    struct Row {
        const char* label;
        std::string scenario;
        std::vector<std::string> args;
        std::string out, err;
        std::vector<std::string> actions;
    };
    // clang-format off
    const Row rows[] = {
        {"a failure midway", failing, {"-mtr"}, failed,
         "cvcc: System error: NO_PERMISSION. Description: minor code: 0x00000000, completed: COMPLETED_NO\n", {support::kDeactivated}},
        {"two outputs for one run", "{}", {"--Json", "--Metrics"},
         R"({"error":{"message":"--Metrics writes the Prometheus text format and takes no --Json"}})" "\n", "", {}},
        {"a file that cannot be written", "{}", {"--Metrics", nowhere}, "",
         "cvcc: the metrics could not replace " + nowhere + ": No such file or directory\n", {support::kDeactivated}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const Ran ran = RunInProcess(row.label, row.scenario, row.args);
        EXPECT_EQ(support::DurationAsD(ran.out), row.out);
        EXPECT_EQ(ran.err, row.err);
        EXPECT_EQ(ran.exitCode, 1);
        EXPECT_EQ(harness::Actions(harness::ParseJournal(ran.journal)), row.actions);
    }
}

}  // namespace
}  // namespace inprocess
