// One ORB per test program, listening on the loopback, with its root POA
// active. omniORB serves requests in its own threads, so nobody calls run().
//
// A call on an object of one's own POA takes omniORB's collocation shortcut:
// the servant is called directly and nothing is marshalled. Tests of the wire
// must not take it, so Reach() hands out references that name the host as
// "localhost" while the ORB listens on "127.0.0.1": omniORB does not recognise
// that address as its own and sends every call through a TCP connection to
// itself. A test can confirm it: the servant runs in an ORB thread, never in
// the caller's.
#pragma once

#include <omniORB4/CORBA.h>

#include <string>

namespace idltest {

class LoopbackOrb {
public:
    // Starts the ORB on first use; it lives until the program ends.
    static LoopbackOrb& Get();

    CORBA::ORB_ptr orb() const { return orb_.in(); }

    // Activates servant in the root POA (which takes a reference to it) and
    // returns a reference carrying typeId that reaches it over TCP.
    CORBA::Object_ptr Reach(PortableServer::Servant servant, const char* typeId);

    // A reference of type typeId to an endpoint where nothing listens: any
    // request on it raises TRANSIENT.
    CORBA::Object_ptr DeadReference(const char* typeId);

    // Whether the request being dispatched in this thread expects a reply
    // (false for a oneway). Valid inside a servant's upcall only.
    static bool RequestExpectsReply();

    LoopbackOrb(const LoopbackOrb&) = delete;
    LoopbackOrb& operator=(const LoopbackOrb&) = delete;

private:
    LoopbackOrb();
    ~LoopbackOrb();

    CORBA::ORB_var orb_;
    PortableServer::POA_var poa_;
};

}  // namespace idltest
