#include "corba/dead_peer.h"

#include <omniORB4/IIOP.h>
#include <omniORB4/omniIOR.h>

#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "corba/peer_probe.h"

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

// The pause between two rounds of probes of a peer that accepts and drops.
constexpr std::chrono::milliseconds kProbePause(20);

CORBA::Boolean TransientWhenPeerIsGone(void*, CORBA::ULong, const CORBA::COMM_FAILURE&,
                                       CORBA::Object_ptr object, const char*) {
    // Never a retry: raising from here replaces the COMM_FAILURE that omniORB
    // would throw on, and nothing is sent again.
    if (PeerIsGone(object))
        throw CORBA::TRANSIENT(omni::TRANSIENT_ConnectFailed, CORBA::COMPLETED_NO);
    return false;
}

}  // namespace

bool PeerIsGone(CORBA::Object_ptr object) {
    if (CORBA::is_nil(object)) return false;
    const std::vector<Endpoint> endpoints = IiopEndpoints(object);
    if (endpoints.empty()) return false;
    const auto deadline = std::chrono::steady_clock::now() + kGoneProbeBound;
    for (;;) {
        bool allRefused = true;
        for (const Endpoint& endpoint : endpoints) {
            const LocateOutcome outcome =
                LocateProbe(endpoint.host, endpoint.port, endpoint.objectKey, kGoneProbeBound);
            // A reply proves the peer alive; silence may be a hung peer.
            if (outcome == LocateOutcome::Answered || outcome == LocateOutcome::Silent)
                return false;
            if (outcome == LocateOutcome::Dropped) allRefused = false;
        }
        if (allRefused) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kProbePause);
    }
}

void InstallDeadPeerHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        omniORB::installCommFailureExceptionHandlerExt(nullptr, TransientWhenPeerIsGone);
    });
}
