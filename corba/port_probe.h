// A TCP probe: whether something accepts connections on a port.
#pragma once

#include <string>

// How long a probe waits for the connection to be accepted.
constexpr long kPortProbeSeconds = 10;

// Connects to host:port (port as a number or a service name) from any local
// address, waiting at most timeoutSeconds, and closes the connection again
// at once; nothing is sent. Blocks the calling thread meanwhile.
bool TcpPortAccepts(const std::string& host, const std::string& port, long timeoutSeconds);
