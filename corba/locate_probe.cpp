#include "corba/locate_probe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

namespace {

// A GIOP 1.2 LocateRequest in little-endian order: the 12-byte header, the
// request id, the target as a KeyAddr (discriminator 0, two bytes of padding)
// and the key as a sequence of octets.
std::vector<char> LocateRequest(const std::string& key) {
    std::vector<char> message = {'G', 'I', 'O', 'P', 1, 2, 1, 3};
    const auto put32 = [&message](uint32_t v) {
        for (int i = 0; i < 4; ++i) message.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    put32(static_cast<uint32_t>(12 + key.size()));
    put32(1);                                     // request id
    message.insert(message.end(), {0, 0, 0, 0});  // KeyAddr and padding
    put32(static_cast<uint32_t>(key.size()));
    message.insert(message.end(), key.begin(), key.end());
    return message;
}

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

bool WaitFor(int fd, short events, std::chrono::milliseconds timeout) {
    pollfd p{fd, events, 0};
    int r;
    while ((r = poll(&p, 1, static_cast<int>(timeout.count()))) < 0 && errno == EINTR) {
    }
    return r > 0;
}

}  // namespace

LocateOutcome LocateProbe(const std::string& host, unsigned port, const std::string& objectKey,
                          std::chrono::milliseconds timeout) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found)
        return LocateOutcome::Refused;
    Socket sock(socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const int connected =
        sock.fd() < 0 ? -1 : connect(sock.fd(), found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    if (sock.fd() < 0 || (connected != 0 && errno != EINPROGRESS)) return LocateOutcome::Refused;
    if (connected != 0) {
        int error = 0;
        socklen_t length = sizeof error;
        if (!WaitFor(sock.fd(), POLLOUT, timeout)) return LocateOutcome::Silent;
        if (getsockopt(sock.fd(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
            return LocateOutcome::Refused;
    }
    const std::vector<char> request = LocateRequest(objectKey);
    if (send(sock.fd(), request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size()))
        return LocateOutcome::Dropped;
    if (!WaitFor(sock.fd(), POLLIN, timeout)) return LocateOutcome::Silent;
    char reply[64];
    return recv(sock.fd(), reply, sizeof reply, 0) > 0 ? LocateOutcome::Answered
                                                       : LocateOutcome::Dropped;
}
