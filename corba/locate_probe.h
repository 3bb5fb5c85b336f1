// Whether the process behind an object reference still serves requests,
// asked without carrying out anything: a GIOP LocateRequest for the object's
// key over a connection of its own.
//
// A bare TCP connect cannot tell a live server from one that is dying: while
// a process exits its listening socket may outlive the connection whose close
// the client just saw, and the kernel still completes new handshakes on it.
// No thread of a dying process answers, though, and its accepted connections
// are reset when the listener goes.
#pragma once

#include <chrono>
#include <string>

enum class LocateOutcome {
    Answered,  // the peer replied: it is alive
    Refused,   // the connection was refused or failed: nothing listens there
    Dropped,   // connected, then closed or reset without a reply
    Silent,    // no connection or no reply within the timeout: hung, or far away
};

// Blocks the calling thread for at most `timeout` for the connection and as
// long again for the reply.
LocateOutcome LocateProbe(const std::string& host, unsigned port, const std::string& objectKey,
                          std::chrono::milliseconds timeout);
