// A peer process that has gone away must show as CORBA::TRANSIENT, the way
// the callers of this layer recognise an unreachable Coordinator, server or
// workstation. omniORB raises TRANSIENT only when a fresh connection is
// refused; a call over a connection that was open when the peer died ends in
// COMM_FAILURE (completed MAYBE) instead.
//
// The handler installed here takes that COMM_FAILURE, before the caller sees
// it, and probes the object's endpoints with a new TCP connection (nothing
// sent). Refused everywhere means the process is gone: omniORB is told to
// retry, the retry's connection is refused too and the call ends in TRANSIENT.
// If anything accepts, the peer may have carried the request out, and the
// COMM_FAILURE stands; a request is never sent twice to a live process.
#pragma once

#include <omniORB4/CORBA.h>

// Installs the handler for every object reference of the process; later
// calls do nothing. Thread-safe.
void InstallDeadPeerHandler();

// Whether none of the IIOP endpoints in the object's reference accepts a TCP
// connection now. False for a nil reference or one without IIOP endpoints.
bool PeerIsGone(CORBA::Object_ptr object);
