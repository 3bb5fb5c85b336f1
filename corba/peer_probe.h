// Probes of a peer over TCP, each over a connection of its own that it
// closes again: whether anything accepts connections on a port, and whether
// the process behind an object reference still serves requests.
//
// Both block the calling thread for at most their timeouts; any thread.
#pragma once

#include <chrono>
#include <string>

// How long the Coordinator's port probe waits for the connection.
constexpr long kPortProbeSeconds = 10;

// Connects to host:port (port as a number or a service name) from any local
// address, waiting at most timeoutSeconds; nothing is sent.
bool TcpPortAccepts(const std::string& host, const std::string& port, long timeoutSeconds);

// Whether a process serves requests, asked without carrying out anything: a
// GIOP LocateRequest for the object's key.
//
// A bare TCP connect cannot tell a live server from one that is dying: while
// a process exits its listening socket may outlive the connection whose close
// the client just saw, and the kernel still completes new handshakes on it.
// No thread of a dying process answers, though, and its accepted connections
// are reset when the listener goes.
enum class LocateOutcome {
    Answered,  // the peer sent a LocateReply's header: it is alive and serves GIOP
    Refused,   // the connection was refused or failed: nothing listens there
    // Connected, then closed or reset before a LocateReply, or answered with
    // something else: a process that is exiting, or one that is alive and
    // broken. Either may have carried a request out.
    Dropped,
    Silent,  // no connection or no reply within the timeout: hung, or far away
};

// At most `timeout` for the connection and as long again for the reply.
LocateOutcome LocateProbe(const std::string& host, unsigned port, const std::string& objectKey,
                          std::chrono::milliseconds timeout);
