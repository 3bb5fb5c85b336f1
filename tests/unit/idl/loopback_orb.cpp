#include "loopback_orb.h"

namespace idltest {

LoopbackOrb& LoopbackOrb::Get() {
    static LoopbackOrb instance;
    return instance;
}

LoopbackOrb::LoopbackOrb() {
    // As the client's ORB: no LocateRequest before a reference's first call.
    const char* options[][2] = {{"endPoint", "giop:tcp:127.0.0.1:"},
                                {"verifyObjectExistsAndType", "0"},
                                {nullptr, nullptr}};
    int argc = 0;
    orb_ = CORBA::ORB_init(argc, nullptr, "omniORB4", options);
    CORBA::Object_var root = orb_->resolve_initial_references("RootPOA");
    poa_ = PortableServer::POA::_narrow(root);
    PortableServer::POAManager_var manager = poa_->the_POAManager();
    manager->activate();
}

LoopbackOrb::~LoopbackOrb() {
    try {
        poa_->destroy(true, true);
        orb_->destroy();
    } catch (const CORBA::Exception&) {
        // The program is ending; nothing is left to report to.
    }
}

}  // namespace idltest
