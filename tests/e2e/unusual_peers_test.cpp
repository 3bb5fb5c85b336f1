// Runs whose end depends on how the client's own threads and the peers
// behave rather than on what they answer: the teardown after the work, and a
// server that reads each request and drops the connection.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "tests/e2e/cvcc_case.h"
#include "sim/harness/coordinator.h"

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
    if (!net.skipReason().empty()) GTEST_SKIP() << net.skipReason();
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

// A peer on the loopback that reads one GIOP message on each connection and
// answers it by a rule: with a reply that says true (enough for `_is_a`),
// by closing the connection, or by closing the connection and its listener
// (the process is gone). It counts the Requests (message type 0) and the
// LocateRequests (type 3) it read.
class ScriptedPeer {
public:
    enum class Answer { True, Drop, Vanish };
    using Rule = std::function<Answer(const std::string& operation)>;

    explicit ScriptedPeer(Rule rule) : rule_(std::move(rule)) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listener_, 16) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen on the loopback");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ScriptedPeer() {
        stop_ = true;
        thread_.join();
        if (listener_ >= 0) close(listener_);
    }
    int port() const { return port_; }
    int requests() const { return requests_; }
    int locateRequests() const { return locateRequests_; }

private:
    void Serve() {
        while (!stop_ && listener_ >= 0) {
            pollfd p{listener_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) continue;
            // omniORB keeps the connection for its next request.
            while (ServeOne(connection)) {
            }
            close(connection);
        }
    }
    // Answers one message; false when the connection is to be closed.
    bool ServeOne(int connection) {
        char header[12];
        if (!ReadAll(connection, header, sizeof header) || std::string(header, 4) != "GIOP")
            return false;
        const bool little = header[6] & 1;
        const auto u32 = [little](const char* at) {
            const auto* b = reinterpret_cast<const unsigned char*>(at);
            return little ? b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24
                          : uint32_t(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
        };
        std::string body(u32(header + 8), '\0');
        if (!ReadAll(connection, body.data(), body.size())) return false;
        if (header[7] == 3) ++locateRequests_;
        if (header[7] != 0) return false;
        ++requests_;
        // GIOP 1.2 Request: id, flags and reserved, a KeyAddr target (two
        // bytes of discriminator, two of padding, the key), the operation.
        size_t at = 16 + u32(body.data() + 12);
        at = (at + 3) & ~size_t(3);
        const std::string operation(body.data() + at + 4, u32(body.data() + at) - 1);
        switch (rule_(operation)) {
            case Answer::True: {
                // A Reply: the request's id, NO_EXCEPTION, no service
                // contexts; the body, 8-aligned at 24, holds the boolean.
                std::string reply = {'G', 'I', 'O', 'P', 1, 2, 1, 1, 13, 0, 0, 0};
                reply.append(body.data(), 4);
                reply.append(8, '\0');
                reply.push_back(1);
                return send(connection, reply.data(), reply.size(), MSG_NOSIGNAL) > 0;
            }
            case Answer::Drop:
                return false;
            case Answer::Vanish:
                close(listener_);
                listener_ = -1;
                return false;
        }
        return false;
    }
    static bool ReadAll(int fd, char* into, size_t size) {
        for (size_t done = 0; done < size;) {
            const ssize_t n = read(fd, into + done, size - done);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    Rule rule_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::atomic<int> locateRequests_{0};
    std::thread thread_;
};

// The request reaches such a server exactly once; the client may ask again
// whether it is there (LocateRequests carry nothing out), and its
// COMM_FAILURE stands, since a server that accepts connections is not gone.
TEST(UnusualPeers, ARequestReachesAServerThatDropsItOnce) {
    BackupNetwork net({"dropping-host", 1755, R"({"server": {"bound": false}})"});
    if (!net.skipReason().empty()) GTEST_SKIP() << net.skipReason();
    ScriptedPeer server([](const std::string&) { return ScriptedPeer::Answer::Drop; });
    ASSERT_EQ(net.Nameclt({"bind_new_context", "dropping-host.BackupNetwork"}).exitCode, 0);
    ASSERT_EQ(net.Nameclt({"bind", "dropping-host.BackupNetwork/BackupServer.server",
                           harness::LoopbackIor("IDL:tarmelin/BackupNetwork/Server:1.0",
                                                server.port(), "dropping")})
                  .exitCode,
              0);

    const harness::CvccResult r = net.RunCvcc({{"--List"}, {}, std::nullopt});
    EXPECT_EQ(e2e::AfterBanner(r.out),
              "System error: COMM_FAILURE. Description: minor code: "
              "COMM_FAILURE_WaitingForReply (0x41540007), completed: COMPLETED_MAYBE\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(server.requests(), 1);
    EXPECT_GT(server.locateRequests(), 0);
}

// A Coordinator that is lost after it answered the connection's requests and
// before the server lookup: the lookup's own report, with its spelling.
TEST(UnusualPeers, CoordinatorLostBeforeTheServerLookup) {
    BackupNetwork net({"lookup-host", 1755, "{}"});
    if (!net.skipReason().empty()) GTEST_SKIP() << net.skipReason();
    ScriptedPeer coordinator([](const std::string& operation) {
        return operation == "_is_a" ? ScriptedPeer::Answer::True : ScriptedPeer::Answer::Vanish;
    });
    const harness::CvccResult r = net.RunCvcc(
        {{"--List"}, {}, e2e::RegistryWithPort("\"" + std::to_string(coordinator.port()) + "\"")});
    EXPECT_EQ(e2e::AfterBanner(r.out), "\nThis Server version not supported\n");
    EXPECT_EQ(r.err,
              "An error occurred while obtain an object reference. Coordinator could not be "
              "reached. Make shure Coordinator is running\nTRANSIENT\n"
              "minor code: TRANSIENT_ConnectFailed (0x41540002), completed: COMPLETED_NO\n");
    EXPECT_EQ(r.exitCode, 1);
}

}  // namespace
