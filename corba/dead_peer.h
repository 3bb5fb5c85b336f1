// A peer process that has gone away must show as CORBA::TRANSIENT, the way
// the callers of this layer recognise an unreachable Coordinator, server or
// workstation. omniORB raises TRANSIENT only when a fresh connection is
// refused; a call over a connection that was open when the peer died ends in
// COMM_FAILURE (completed MAYBE) instead.
//
// The handler installed here takes that COMM_FAILURE before the caller sees
// it and asks the object's endpoints, over new connections, whether they
// serve it (a LocateRequest, which carries nothing out). Only refused
// connections on every endpoint prove the process gone: the call then ends
// in TRANSIENT (TRANSIENT_ConnectFailed, completed NO, the refused fresh
// connection's own report). A peer that answers, stays silent, or keeps
// accepting and dropping connections may be alive and may have carried the
// request out: its COMM_FAILURE stands. The request itself is never sent
// again, so it reaches a peer at most once whatever the peer does.
#pragma once

#include <omniORB4/CORBA.h>

#include <chrono>

// Installs the handler for every object reference of the process; later
// calls do nothing. Thread-safe.
void InstallDeadPeerHandler();

// How long PeerIsGone asks again while an endpoint accepts and drops: a
// process that is exiting can still complete handshakes on its listener for
// a moment after the connection the client saw was closed.
constexpr std::chrono::milliseconds kGoneProbeBound(1000);

// Whether every IIOP endpoint in the object's reference refuses a fresh
// connection now, asked again until that is so, something answers or stays
// silent, or kGoneProbeBound has passed. False for a nil reference or one
// without IIOP endpoints.
bool PeerIsGone(CORBA::Object_ptr object);
