// A peer process that has gone away must show as CORBA::TRANSIENT, the way
// the callers of this layer recognise an unreachable Coordinator, server or
// workstation. omniORB raises TRANSIENT only when a fresh connection is
// refused; a call over a connection that was open when the peer died ends in
// COMM_FAILURE (completed MAYBE) instead.
//
// The handler installed here takes that COMM_FAILURE, before the caller sees
// it, and asks each of the object's endpoints over a new connection whether
// it serves the object (a LocateRequest, which carries nothing out). No
// answer anywhere (refused, or dropped by a process that is exiting) means
// the process is gone: omniORB is told to retry, the retry's connection is
// refused too and the call ends in TRANSIENT. If anything answers, or accepts
// and stays silent, the peer may have carried the request out, and the
// COMM_FAILURE stands; a request is never sent twice to a live process.
#pragma once

#include <omniORB4/CORBA.h>

// Installs the handler for every object reference of the process; later
// calls do nothing. Thread-safe.
void InstallDeadPeerHandler();

// Whether none of the IIOP endpoints in the object's reference answers a
// LocateRequest for it now. False for a nil reference or one without IIOP
// endpoints.
bool PeerIsGone(CORBA::Object_ptr object);
