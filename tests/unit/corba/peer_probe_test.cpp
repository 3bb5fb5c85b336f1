// The probes against peers on the loopback that behave as a live, a hung, a
// dropping and a gone process do.
#include "corba/peer_probe.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "harness/network.h"
#include "sim/references.h"

namespace {

// Accepts one connection, reads the request and writes a reply's first bytes.
class AnsweringPeer {
public:
    AnsweringPeer() {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), length), 0);
        EXPECT_EQ(listen(fd_, 1), 0);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        server_ = std::thread([this] {
            const int connection = accept(fd_, nullptr, nullptr);
            char request[256];
            if (read(connection, request, sizeof request) > 0)
                EXPECT_EQ(write(connection, "GIOP", 4), 4);
            close(connection);
        });
    }
    ~AnsweringPeer() {
        server_.join();
        close(fd_);
    }
    unsigned port() const { return port_; }

private:
    int fd_;
    unsigned port_;
    std::thread server_;
};

TEST(PeerProbe, TellsALivePeerFromAHungADroppingAndAGoneOne) {
    const auto probe = [](unsigned port) {
        return LocateProbe("127.0.0.1", port, "key", std::chrono::milliseconds(300));
    };
    AnsweringPeer answering;
    const int dropPort = harness::FreePort();
    const harness::ClosingListener dropping(dropPort);
    const bnsim::SilentEndpoint hung;
    EXPECT_EQ(probe(answering.port()), LocateOutcome::Answered);
    EXPECT_EQ(probe(static_cast<unsigned>(dropPort)), LocateOutcome::Dropped);
    EXPECT_EQ(probe(hung.port()), LocateOutcome::Silent);
    EXPECT_EQ(probe(static_cast<unsigned>(harness::FreePort())), LocateOutcome::Refused);
}

}  // namespace
