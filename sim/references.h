// References to objects that cannot answer: an IOR aimed at any endpoint,
// written by hand because the ORB only makes references to its own objects,
// and an endpoint that accepts connections and never reads them.
#pragma once

#include <cstdint>
#include <string>

namespace bnsim {

// A stringified IOR ("IOR:...") with one IIOP 1.2 profile for host:port and
// the code sets that omniORB offers (so wide strings could be sent to it).
std::string MakeIor(const std::string& typeId, const std::string& host, std::uint16_t port,
                    const std::string& objectKey);

// A TCP socket listening on 127.0.0.1 at a port of the system's choice that
// is never accepted from: a client's connection completes (the kernel
// queues it) and its request waits for ever. Closed when this goes.
class SilentEndpoint {
public:
    // Throws std::runtime_error when the socket cannot be made.
    SilentEndpoint();
    ~SilentEndpoint();
    SilentEndpoint(const SilentEndpoint&) = delete;
    SilentEndpoint& operator=(const SilentEndpoint&) = delete;

    std::uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace bnsim
