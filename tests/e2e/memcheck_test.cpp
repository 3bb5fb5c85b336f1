// One full scenario under valgrind's memcheck: a listing, an executed task
// with its waits, and a sweep followed by a listing in the same run. No
// error and no definite leak may come from the project's own code; what
// omniORB allocates for the life of the process is suppressed, with its
// reasons, in valgrind.supp.
#include <gtest/gtest.h>

#include <regex>

#include "sim/harness/backup_network.h"

namespace {

const char kScenario[] = R"({"tasks": [
    {"id": 1, "name": "Nightly", "start": [{"status": "tsBackup", "polls": 1}, {"status": "tsSuccess"}]},
    {"id": 2, "name": "Фотоархив 𝄞", "status": "tsError"}],
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

TEST(Memcheck, ListExecuteAndSweepRunClean) {
#ifdef CVCC_SANITIZE_BUILD
    GTEST_SKIP() << "valgrind cannot run a program built with AddressSanitizer";
#endif
    harness::BackupNetwork net({"memcheck-host", 1755, kScenario});
    if (!net.skipReason().empty()) GTEST_SKIP() << net.skipReason();
    const std::vector<std::vector<std::string>> runs = {
        {"--List"}, {"--Execute", "Nightly"}, {"--NSClean", "--List"}};
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(runs[i][0]);
        const harness::CvccResult r = RunChecked(net, runs[i], std::to_string(i));
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    }
}

// Failure paths: a server that dies in the middle of a listing, then a
// Coordinator that is gone. Both end with exit code 1 and a clean report.
TEST(Memcheck, FaultsRunClean) {
#ifdef CVCC_SANITIZE_BUILD
    GTEST_SKIP() << "valgrind cannot run a program built with AddressSanitizer";
#endif
    harness::BackupNetwork net({"memcheck-host", 1755,
                                R"({"tasks": [{"id": 1, "name": "A"}, {"id": 2, "name": "B"}],
             "faults": [{"object": "task:2", "operation": "GetStatus", "crash": true}]})"});
    if (!net.skipReason().empty()) GTEST_SKIP() << net.skipReason();
    harness::CvccResult r = RunChecked(net, {"--List"}, "crash");
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    net.KillCoordinator();
    r = RunChecked(net, {"--List"}, "no-coordinator");
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
}

}  // namespace
