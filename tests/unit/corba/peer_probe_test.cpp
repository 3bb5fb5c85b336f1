// The probes against listeners on the loopback that behave as a live, a
// hung, a dropping and a gone peer do.
#include "corba/peer_probe.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace {

using std::chrono::milliseconds;

// A listening socket on a loopback port the system chose. Unless served, it
// never accepts: the kernel completes the handshakes and nothing answers.
class Listener {
public:
    Listener() {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), length), 0);
        EXPECT_EQ(listen(fd_, 4), 0);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Listener() {
        if (server_.joinable()) server_.join();
        Close();
    }
    // Accepts one connection, reads the request and, when `answer`, writes a
    // reply's first bytes before it closes the connection.
    void ServeOnce(bool answer) {
        server_ = std::thread([this, answer] {
            const int connection = accept(fd_, nullptr, nullptr);
            char request[256];
            if (answer && read(connection, request, sizeof request) > 0)
                EXPECT_EQ(write(connection, "GIOP", 4), 4);
            close(connection);
        });
    }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    unsigned port() const { return port_; }

private:
    int fd_ = -1;
    unsigned port_ = 0;
    std::thread server_;
};

TEST(PeerProbe, TellsALivePeerFromAHungADroppingAndAGoneOne) {
    const auto probe = [](Listener& peer) {
        return LocateProbe("127.0.0.1", peer.port(), "key", milliseconds(300));
    };
    Listener answering, dropping, hung, gone;
    answering.ServeOnce(true);
    dropping.ServeOnce(false);
    gone.Close();
    EXPECT_EQ(probe(answering), LocateOutcome::Answered);
    EXPECT_EQ(probe(dropping), LocateOutcome::Dropped);
    EXPECT_EQ(probe(hung), LocateOutcome::Silent);
    EXPECT_EQ(probe(gone), LocateOutcome::Refused);
    // The port probe asks no more than whether a connection is accepted.
    EXPECT_TRUE(TcpPortAccepts("127.0.0.1", std::to_string(hung.port()), 1));
    EXPECT_FALSE(TcpPortAccepts("127.0.0.1", std::to_string(gone.port()), 1));
}

}  // namespace
