// The probes against peers on the loopback that behave as a live, a hung, a
// dropping and a gone process do.
#include "corba/peer_probe.h"

#include <gtest/gtest.h>

#include "harness/giop_peer.h"
#include "harness/loopback_listener.h"
#include "harness/network.h"
#include "sim/references.h"

namespace {

TEST(PeerProbe, TellsALivePeerFromAHungADroppingAndAGoneOne) {
    const auto probe = [](unsigned port) {
        return LocateProbe("127.0.0.1", port, "key", std::chrono::milliseconds(300));
    };
    const harness::GiopPeer answering(
        [](const harness::GiopRequest&) { return harness::GiopPeer::Answer::Here; });
    const harness::ClosingListener dropping;
    const bnsim::SilentEndpoint hung;
    EXPECT_EQ(probe(static_cast<unsigned>(answering.port())), LocateOutcome::Answered);
    EXPECT_EQ(probe(static_cast<unsigned>(dropping.port())), LocateOutcome::Dropped);
    EXPECT_EQ(probe(hung.port()), LocateOutcome::Silent);
    EXPECT_EQ(probe(static_cast<unsigned>(harness::FreePort())), LocateOutcome::Refused);
}

}  // namespace
