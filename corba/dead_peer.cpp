#include "corba/dead_peer.h"

#include <omniORB4/IIOP.h>
#include <omniORB4/omniIOR.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "corba/locate_probe.h"
#include "corba/port_probe.h"

namespace {

struct Endpoint {
    std::string host;
    unsigned port;
    std::string objectKey;
};

// The host, port and object key of every IIOP profile and of its alternate
// addresses.
std::vector<Endpoint> IiopEndpoints(CORBA::Object_ptr object) {
    std::vector<Endpoint> endpoints;
    omniIOR_var ior(object->_PR_getobj()->_getIOR());
    const IOP::TaggedProfileList& profiles = ior->iopProfiles();
    for (CORBA::ULong i = 0; i < profiles.length(); ++i) {
        if (profiles[i].tag != IOP::TAG_INTERNET_IOP) continue;
        IIOP::ProfileBody body;
        IIOP::unmarshalProfile(profiles[i], body);
        const std::string key(reinterpret_cast<const char*>(body.object_key.get_buffer()),
                              body.object_key.length());
        endpoints.push_back({static_cast<const char*>(body.address.host), body.address.port, key});
        for (CORBA::ULong c = 0; c < body.components.length(); ++c) {
            const IOP::TaggedComponent& component = body.components[c];
            if (component.tag != IOP::TAG_ALTERNATE_IIOP_ADDRESS) continue;
            cdrEncapsulationStream stream(component.component_data.get_buffer(),
                                          component.component_data.length());
            IIOP::Address alternate;
            alternate <<= stream;
            endpoints.push_back({static_cast<const char*>(alternate.host), alternate.port, key});
        }
    }
    return endpoints;
}

constexpr CORBA::ULong kMaxRetries = 5;

CORBA::Boolean RetryWhenPeerIsGone(void*, CORBA::ULong retries, const CORBA::COMM_FAILURE&,
                                   CORBA::Object_ptr object, const char*) {
    // A retry's connection is refused (TRANSIENT, which does not come back
    // here) once the process has closed its listener; while it is still
    // exiting the connection is accepted and dropped, and the peer is asked
    // again. The bound keeps a peer that keeps dropping from looping.
    return retries < kMaxRetries && PeerIsGone(object);
}

}  // namespace

bool PeerIsGone(CORBA::Object_ptr object) {
    if (CORBA::is_nil(object)) return false;
    const std::vector<Endpoint> endpoints = IiopEndpoints(object);
    if (endpoints.empty()) return false;
    for (const Endpoint& endpoint : endpoints) {
        // A peer that accepts and stays silent may be hung rather than gone:
        // its COMM_FAILURE stands.
        const LocateOutcome outcome =
            LocateProbe(endpoint.host, endpoint.port, endpoint.objectKey, kPortProbeSeconds);
        if (outcome == LocateOutcome::Answered || outcome == LocateOutcome::Silent) return false;
    }
    return true;
}

void InstallDeadPeerHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        omniORB::installCommFailureExceptionHandlerExt(nullptr, RetryWhenPeerIsGone);
    });
}
