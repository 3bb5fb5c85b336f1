// Runs of cvcc under valgrind's memcheck. No error and no definite leak may
// come from the project's own code; what omniORB allocates for the life of
// the process is suppressed, with its reasons, in valgrind.supp.
#include <gtest/gtest.h>

#include <regex>

#include "harness/backup_network.h"
#include "harness/files.h"
#include "tests/support/network_skip.h"

namespace {

const char kScenario[] = R"({"tasks": [
    {"id": 1, "name": "Nightly", "start": [{"status": "tsBackup", "polls": 1}, {"status": "tsSuccess"}]},
    {"id": 2, "name": "Фотоархив 𝄞", "status": "tsError"}, {"id": 3, "name": "Broken", "status": "tsBackup"}],
  "faults": [{"object": "task:3", "operation": "GetStatus", "fromCall": 3, "crash": true}],
  "workstations": [{"name": "ALIVE"}, {"name": "GONE-PC", "state": "dead"}]})";

// Runs cvcc under memcheck and answers its result; the report must be clean.
harness::CvccResult RunChecked(harness::BackupNetwork& net, const std::vector<std::string>& args,
                               const std::string& label) {
    const std::string log = net.home() + "/memcheck-" + label + ".log";
    harness::CvccResult r = net.RunCvcc(
        {args,
         {},
         std::nullopt,
         std::chrono::minutes(5),
         {"/usr/bin/valgrind", "--tool=memcheck", "--error-exitcode=99", "--leak-check=full",
          "--errors-for-leak-kinds=definite", "--show-leak-kinds=definite",
          "--suppressions=" VALGRIND_SUPPRESSIONS, "--log-file=" + log}});
    const std::string report = harness::ReadFile(log);
    EXPECT_TRUE(std::regex_search(report, std::regex("ERROR SUMMARY: 0 errors"))) << report;
    EXPECT_NE(r.exitCode, 99) << report;
    return r;
}

// A listing, an executed task, a sweep with a listing; then the failure
// paths: a server that dies while a task's status is read (the third read
// of Broken's), and a Coordinator that is gone, both ending with exit code 1.
TEST(Memcheck, RunsAndFaultsRunClean) {
#ifdef CVCC_SANITIZE_BUILD
    GTEST_SKIP() << "valgrind cannot run a program built with AddressSanitizer";
#endif
    harness::BackupNetwork net({"memcheck-host", 1755, kScenario});
    if (!net.skipReason().empty()) SKIP_WITHOUT_NETWORK(net.skipReason());
    const std::vector<std::vector<std::string>> runs = {
        {"--List"}, {"--Execute", "Nightly"}, {"--NSClean", "--List"}, {"--Stop", "Broken"}};
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(runs[i][0]);
        const harness::CvccResult r = RunChecked(net, runs[i], std::to_string(i));
        EXPECT_EQ(r.exitCode, i < 3 ? 0 : 1) << r.out << r.err;
    }
    net.KillCoordinator();
    EXPECT_EQ(RunChecked(net, {"--List"}, "no-coordinator").exitCode, 1);
}

}  // namespace
