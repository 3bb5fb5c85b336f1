// The network side of end-to-end cases: a private network and host name per
// case, and ports to wait on.
#pragma once

#include <chrono>
#include <string>

namespace harness {

// Moves this process into a network and UTS namespace of its own (as
// `unshare -n -u` does), brings its loopback up and names the host. Every
// process started afterwards shares them, so port 1755 and the host name are
// the case's own. Answers false, changing nothing, when that is not allowed
// (not root); the case then runs on the host's loopback.
bool EnterPrivateNetwork(const std::string& hostname);

// Whether a TCP connection to 127.0.0.1:port is accepted right now.
bool PortAcceptsConnections(int port);

// Polls until the port accepts connections or the timeout passes.
bool WaitForPort(int port, std::chrono::milliseconds timeout = std::chrono::seconds(20));

// A port on the loopback that nothing listens on at the moment of the call.
int FreePort();

// This process's host name.
std::string HostName();

}  // namespace harness
