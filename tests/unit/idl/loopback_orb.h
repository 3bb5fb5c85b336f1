// One ORB per test program, listening on the loopback, with its root POA
// active. omniORB serves requests in its own threads, so nobody calls run().
#pragma once

#include <omniORB4/CORBA.h>

namespace idltest {

class LoopbackOrb {
public:
    // Starts the ORB on first use; it lives until the program ends.
    static LoopbackOrb& Get();

    CORBA::ORB_ptr orb() const { return orb_.in(); }

    LoopbackOrb(const LoopbackOrb&) = delete;
    LoopbackOrb& operator=(const LoopbackOrb&) = delete;

private:
    LoopbackOrb();
    ~LoopbackOrb();

    CORBA::ORB_var orb_;
    PortableServer::POA_var poa_;
};

}  // namespace idltest
