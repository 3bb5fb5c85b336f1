#include "corba/peer_probe.h"

#include <ace/INET_Addr.h>
#include <ace/SOCK_Connector.h>
#include <ace/SOCK_Stream.h>
#include <ace/Time_Value.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A GIOP message's header: the magic, the version, the flags, the message
// type and the body's size.
constexpr std::size_t kHeaderSize = 12;

// A GIOP 1.2 LocateRequest in little-endian order: the header, the request id
// (1, the first of its connection), the target as a KeyAddr (discriminator 0,
// two bytes of padding) and the key as a sequence of octets.
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

// Closes the stream when it goes.
class Connection {
public:
    Connection() = default;
    ~Connection() { stream.close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    ACE_SOCK_Stream stream;
};

// ACE says ETIME when a wait with a timeout ran out.
bool TimedOut() {
    return errno == ETIME || errno == EWOULDBLOCK;
}

}  // namespace

bool TcpPortAccepts(const std::string& host, const std::string& port, long timeoutSeconds) {
    // set() rather than the constructor: the constructor logs a failed
    // lookup on stderr through ACE's own logging, and the user's stderr
    // belongs to the client's reports.
    ACE_INET_Addr address;
    if (address.set(port.c_str(), host.c_str(), "tcp") == -1) return false;
    Connection connection;
    const ACE_Time_Value timeout(timeoutSeconds, 0);
    return ACE_SOCK_Connector().connect(connection.stream, address, &timeout) != -1;
}

LocateOutcome LocateProbe(const std::string& host, unsigned port, const std::string& objectKey,
                          std::chrono::milliseconds timeout) {
    ACE_INET_Addr address;
    if (address.set(static_cast<u_short>(port), host.c_str()) == -1) return LocateOutcome::Refused;
    ACE_Time_Value wait;
    wait.msec(static_cast<long>(timeout.count()));
    Connection connection;
    if (ACE_SOCK_Connector().connect(connection.stream, address, &wait) == -1)
        return TimedOut() ? LocateOutcome::Silent : LocateOutcome::Refused;
    const std::vector<char> request = LocateRequest(objectKey);
    if (connection.stream.send_n(request.data(), request.size(), MSG_NOSIGNAL, &wait) !=
        static_cast<ssize_t>(request.size()))
        return LocateOutcome::Dropped;
    // Only a LocateReply's header is an answer, read within one timeout
    // however its bytes arrive. Other bytes come from a process that is
    // alive but does not serve: it counts as Dropped, which, like every
    // outcome but Refused, never proves a process gone (dead_peer.h).
    char header[kHeaderSize];
    std::size_t received = 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (received < sizeof header) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return LocateOutcome::Silent;
        wait.msec(static_cast<long>(left.count()));
        const ssize_t n =
            connection.stream.recv(header + received, sizeof header - received, &wait);
        if (n < 0 && TimedOut()) return LocateOutcome::Silent;
        if (n <= 0) return LocateOutcome::Dropped;
        received += static_cast<std::size_t>(n);
        if (std::memcmp(header, "GIOP", std::min<std::size_t>(received, 4)) != 0)
            return LocateOutcome::Dropped;
    }
    // "GIOP" was checked as it came: a LocateReply (type 4) of any GIOP 1.x.
    return header[4] == 1 && header[7] == 4 ? LocateOutcome::Answered : LocateOutcome::Dropped;
}
