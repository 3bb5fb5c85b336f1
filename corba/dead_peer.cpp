#include "corba/dead_peer.h"

#include <omniORB4/IIOP.h>
#include <omniORB4/omniIOR.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "corba/port_probe.h"

namespace {

using Endpoint = std::pair<std::string, unsigned>;

// The host and port of every IIOP profile and of its alternate addresses.
std::vector<Endpoint> IiopEndpoints(CORBA::Object_ptr object) {
    std::vector<Endpoint> endpoints;
    omniIOR_var ior(object->_PR_getobj()->_getIOR());
    const IOP::TaggedProfileList& profiles = ior->iopProfiles();
    for (CORBA::ULong i = 0; i < profiles.length(); ++i) {
        if (profiles[i].tag != IOP::TAG_INTERNET_IOP) continue;
        IIOP::ProfileBody body;
        IIOP::unmarshalProfile(profiles[i], body);
        endpoints.emplace_back(static_cast<const char*>(body.address.host), body.address.port);
        for (CORBA::ULong c = 0; c < body.components.length(); ++c) {
            const IOP::TaggedComponent& component = body.components[c];
            if (component.tag != IOP::TAG_ALTERNATE_IIOP_ADDRESS) continue;
            cdrEncapsulationStream stream(component.component_data.get_buffer(),
                                          component.component_data.length());
            IIOP::Address alternate;
            alternate <<= stream;
            endpoints.emplace_back(static_cast<const char*>(alternate.host), alternate.port);
        }
    }
    return endpoints;
}

CORBA::Boolean RetryWhenPeerIsGone(void*, CORBA::ULong retries, const CORBA::COMM_FAILURE&,
                                   CORBA::Object_ptr object, const char*) {
    // One retry at most: its connection either is refused (TRANSIENT, which
    // does not come back here) or fails in a way that is not ours to hide.
    return retries == 0 && PeerIsGone(object);
}

}  // namespace

bool PeerIsGone(CORBA::Object_ptr object) {
    if (CORBA::is_nil(object)) return false;
    const std::vector<Endpoint> endpoints = IiopEndpoints(object);
    if (endpoints.empty()) return false;
    for (const Endpoint& endpoint : endpoints) {
        if (TcpPortAccepts(endpoint.first, std::to_string(endpoint.second), kPortProbeSeconds))
            return false;
    }
    return true;
}

void InstallDeadPeerHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        omniORB::installCommFailureExceptionHandlerExt(nullptr, RetryWhenPeerIsGone);
    });
}
