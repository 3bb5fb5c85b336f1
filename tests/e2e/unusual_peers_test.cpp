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
#include <thread>

#include "tests/e2e/cvcc_case.h"

namespace {

using harness::BackupNetwork;

// The teardown waits for the ORB thread's end, which is kept when it comes
// before the wait: the wait ends on it, never on its 3 s deadline. Boost's
// timed wait is a futex wait on the monotonic clock (omniORB's own waits use
// the real-time clock); one that timed out is the deadline's.
TEST(Teardown, EndsOnTheOrbThreadsSignalNotOnItsDeadline) {
    BackupNetwork net({"teardown-host", 1755, R"({"tasks": [{"id": 1, "name": "A"}]})"});
    if (!net.skipReason().empty()) GTEST_SKIP() << net.skipReason();
    // One file a thread (-ff), so no call is split over two lines.
    const std::string trace = net.home() + "/futex";
    const harness::CvccResult r =
        net.RunCvcc({{"--List"},
                     // LeakSanitizer cannot run under ptrace; the sanitized
                     // build's other cases look for leaks.
                     {{"ASAN_OPTIONS", "detect_leaks=0"}},
                     std::nullopt,
                     std::chrono::minutes(2),
                     {"/usr/bin/strace", "-ff", "-qq", "-e", "trace=futex", "-o", trace}});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    int futexLines = 0;
    for (const auto& file : std::filesystem::directory_iterator(net.home())) {
        if (file.path().filename().string().rfind("futex.", 0) != 0) continue;
        std::ifstream lines(file.path());
        std::string line;
        while (std::getline(lines, line)) {
            ++futexLines;
            const bool monotonicWait = line.find("FUTEX_WAIT_BITSET") != std::string::npos &&
                                       line.find("FUTEX_CLOCK_REALTIME") == std::string::npos;
            EXPECT_FALSE(monotonicWait && line.find("ETIMEDOUT") != std::string::npos) << line;
        }
    }
    EXPECT_GT(futexLines, 0) << "strace recorded nothing";
}

// A server that reads one GIOP message on each connection and closes it
// without a reply: alive, and it may have carried the request out. Counts the
// Requests (message type 0) and the LocateRequests (type 3) it read.
class DroppingServer {
public:
    DroppingServer() {
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
    ~DroppingServer() {
        stop_ = true;
        thread_.join();
        close(listener_);
    }
    int port() const { return port_; }
    int requests() const { return requests_; }
    int locateRequests() const { return locateRequests_; }

private:
    void Serve() {
        while (!stop_) {
            pollfd p{listener_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) continue;
            char header[12];
            if (ReadAll(connection, header, sizeof header) && std::string(header, 4) == "GIOP") {
                const bool little = header[6] & 1;
                const auto* b = reinterpret_cast<const unsigned char*>(header + 8);
                const uint32_t size = little ? b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24
                                             : uint32_t(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
                std::string body(size, '\0');
                if (ReadAll(connection, body.data(), size)) {
                    if (header[7] == 0) ++requests_;
                    if (header[7] == 3) ++locateRequests_;
                }
            }
            close(connection);
        }
    }
    static bool ReadAll(int fd, char* into, size_t size) {
        for (size_t done = 0; done < size;) {
            const ssize_t n = read(fd, into + done, size - done);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

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
    DroppingServer server;
    const harness::RunResult ior =
        harness::Run({{"/usr/bin/genior", "IDL:tarmelin/BackupNetwork/Server:1.0", "127.0.0.1",
                       std::to_string(server.port()), "dropping"},
                      {}});
    const std::string reference = ior.out.substr(ior.out.rfind("IOR:"));
    ASSERT_EQ(net.Nameclt({"bind_new_context", "dropping-host.BackupNetwork"}).exitCode, 0);
    ASSERT_EQ(net.Nameclt({"bind", "dropping-host.BackupNetwork/BackupServer.server",
                           reference.substr(0, reference.find_first_of("\r\n"))})
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

}  // namespace
