#include "corba/peer_probe.h"

#include <ace/INET_Addr.h>
#include <ace/SOCK_Connector.h>
#include <ace/SOCK_Stream.h>
#include <ace/Time_Value.h>
#include <sys/socket.h>

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
    char reply[64];
    const ssize_t received = connection.stream.recv(reply, sizeof reply, &wait);
    if (received > 0) return LocateOutcome::Answered;
    return received < 0 && TimedOut() ? LocateOutcome::Silent : LocateOutcome::Dropped;
}
