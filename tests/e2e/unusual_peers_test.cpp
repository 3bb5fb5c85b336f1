// Runs whose end depends on how the client's own threads and the peers
// behave rather than on what they answer: the teardown after the work, and a
// server that reads each request and drops the connection.
#include <filesystem>
#include <fstream>

#include "corba/naming_layout.h"
#include "harness/coordinator.h"
#include "harness/giop_peer.h"
#include "tests/e2e/cvcc_case.h"
#include "tests/support/network_skip.h"

namespace {

using harness::BackupNetwork;

// The run's only waits are the system's own: a sleep of exactly 3000 ms
// before each status poll of the executed task, and the teardown's wait for
// the ORB thread's end, which is kept when it comes before the wait, so the
// wait ends on it and never on its 3 s deadline. The sleeps are read from
// their requested durations, not timed. Boost's timed wait is a futex wait on
// the monotonic clock (omniORB's own waits use the real-time clock); one that
// timed out is the deadline's.
TEST(Waits, AreThePollsOfThreeSecondsAndNoTeardownDeadline) {
    BackupNetwork net({"waits-host", 1755, R"({"tasks": [{"id": 1, "name": "A",
        "start": [{"status": "tsBackup", "polls": 1}, {"status": "tsSuccess"}]}]})"});
    if (!net.skipReason().empty()) SKIP_WITHOUT_NETWORK(net.skipReason());
    // One file a thread (-ff), so no call is split over two lines.
    const std::string trace = net.home() + "/waits";
    const harness::CvccResult r =
        net.RunCvcc({{"--Execute", "A"},
                     // LeakSanitizer cannot run under ptrace; the sanitized build's other
                     // cases look for leaks.
                     {{"ASAN_OPTIONS", "detect_leaks=0"}},
                     std::nullopt,
                     std::chrono::minutes(2),
                     {"/usr/bin/strace", "-ff", "-qq", "-e",
                      "trace=futex,nanosleep,clock_nanosleep", "-o", trace}});
    EXPECT_EQ(e2e::AfterBanner(r.out),
              "Running task: A\nWaiting.\nCompleted with status: success\n\n");
    std::vector<std::string> sleeps;
    int futexLines = 0;
    for (const auto& file : std::filesystem::directory_iterator(net.home())) {
        if (file.path().filename().string().rfind("waits.", 0) != 0) continue;
        std::ifstream lines(file.path());
        std::string line;
        while (std::getline(lines, line)) {
            if (line.find("nanosleep(") != std::string::npos) {
                const auto open = line.find('{');
                sleeps.push_back(line.substr(open, line.find('}', open) - open + 1));
                continue;
            }
            ++futexLines;
            const bool monotonicWait = line.find("FUTEX_WAIT_BITSET") != std::string::npos &&
                                       line.find("FUTEX_CLOCK_REALTIME") == std::string::npos;
            EXPECT_FALSE(monotonicWait && line.find("ETIMEDOUT") != std::string::npos) << line;
        }
    }
    EXPECT_GT(futexLines, 0) << "strace recorded nothing";
    const std::vector<std::string> twoPolls(2, "{tv_sec=3, tv_nsec=0}");
    EXPECT_EQ(sleeps, twoPolls);
}

// The request reaches such a server exactly once; the client may ask again
// whether it is there (LocateRequests carry nothing out), and its
// COMM_FAILURE stands, since a server that accepts connections is not gone.
TEST(UnusualPeers, ARequestReachesAServerThatDropsItOnce) {
    BackupNetwork net({"dropping-host", 1755, R"({"server": {"bound": false}})"});
    if (!net.skipReason().empty()) SKIP_WITHOUT_NETWORK(net.skipReason());
    harness::GiopPeer server(
        [](const harness::GiopRequest&) { return harness::GiopPeer::Answer::Drop; });
    const std::string context = std::string("dropping-host.") + naming::kServerKind;
    ASSERT_EQ(net.Nameclt({"bind_new_context", context}).exitCode, 0);
    ASSERT_EQ(
        net.Nameclt({"bind",
                     context + "/" + naming::kServerObjectId + "." + naming::kServerObjectKind,
                     harness::LoopbackIor("IDL:tarmelin/BackupNetwork/Server:1.0", server.port(),
                                          "dropping")})
            .exitCode,
        0);

    const harness::CvccResult r = net.RunCvcc({{"--List"}, {}, std::nullopt});
    EXPECT_EQ(e2e::AfterBanner(r.out),
              "System error: COMM_FAILURE. Description: minor code: "
              "COMM_FAILURE_WaitingForReply (0x41540007), completed: COMPLETED_MAYBE\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_GT(server.LocateRequests().size(), 0u);
}

// A Coordinator that is lost after it answered the connection's requests and
// before the server lookup: the lookup's own report, with its spelling.
// Lost after the connection's first answer, before the lookup's narrow: the
// layer below throws its own exception, and stderr says where the client
// looked, as for a Coordinator that never answered.
TEST(UnusualPeers, CoordinatorLostRightAfterTheConnection) {
    BackupNetwork net({"lost-host", 1755, "{}"});
    if (!net.skipReason().empty()) SKIP_WITHOUT_NETWORK(net.skipReason());
    auto asked = std::make_shared<int>(0);
    harness::GiopPeer coordinator([asked](const harness::GiopRequest& request) {
        return request.operation == "_is_a" && ++*asked == 1 ? harness::GiopPeer::Answer::True
                                                             : harness::GiopPeer::Answer::Vanish;
    });
    const std::string port = std::to_string(coordinator.port());
    const harness::CvccResult r =
        net.RunCvcc({{"--List"}, {}, e2e::RegistryWithPort("\"" + port + "\"")});
    EXPECT_EQ(e2e::AfterBanner(r.out), "std::exception\n");
    EXPECT_EQ(r.err, "An error occurred while obtain a reference to the root context. Coordinator "
                     "could not be reached. Make sure Coordinator is running\nTRANSIENT\n"
                     "minor code: TRANSIENT_ConnectFailed (0x41540002), completed: COMPLETED_NO\n" +
                         e2e::Expected(support::NoCoordinator(port, "port from CoordPort in {registry}"), net));
    EXPECT_EQ(r.exitCode, 1);
}

TEST(UnusualPeers, CoordinatorLostBeforeTheServerLookup) {
    BackupNetwork net({"lookup-host", 1755, "{}"});
    if (!net.skipReason().empty()) SKIP_WITHOUT_NETWORK(net.skipReason());
    harness::GiopPeer coordinator([](const harness::GiopRequest& request) {
        return request.operation == "_is_a" ? harness::GiopPeer::Answer::True
                                            : harness::GiopPeer::Answer::Vanish;
    });
    const harness::CvccResult r = net.RunCvcc(
        {{"--List"}, {}, e2e::RegistryWithPort("\"" + std::to_string(coordinator.port()) + "\"")});
    EXPECT_EQ(e2e::AfterBanner(r.out), "\nThis Server version not supported\n");
    EXPECT_EQ(r.err,
              "An error occurred while obtain an object reference. Coordinator could not be "
              "reached. Make shure Coordinator is running\nTRANSIENT\n"
              "minor code: TRANSIENT_ConnectFailed (0x41540002), completed: COMPLETED_NO\n" +
                  e2e::Expected(support::NoServerBound(std::to_string(coordinator.port())), net));
    EXPECT_EQ(r.exitCode, 1);
}

}  // namespace
