// One ORB a test program, listening on the loopback and set up as the
// client's is: no LocateRequest before a reference's first call. omniORB
// serves requests in its own threads, so nobody calls run(); the ORB lives
// until the program ends.
#pragma once

#include <omniORB4/CORBA.h>

namespace support {

inline CORBA::ORB_ptr LoopbackOrb() {
    static const struct Orb {
        Orb() {
            const char* options[][2] = {{"endPoint", "giop:tcp:127.0.0.1:"},
                                        {"verifyObjectExistsAndType", "0"},
                                        {nullptr, nullptr}};
            int argc = 0;
            orb = CORBA::ORB_init(argc, nullptr, "omniORB4", options);
        }
        ~Orb() { orb->destroy(); }
        CORBA::ORB_var orb;
    } instance;
    return instance.orb.in();
}

}  // namespace support
