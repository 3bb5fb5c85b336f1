// The probes against peers on the loopback that behave as a live, a broken,
// a hung, a dropping and a gone process do.
#include "corba/peer_probe.h"

#include <gtest/gtest.h>

#include "harness/giop_peer.h"
#include "harness/loopback_listener.h"
#include "harness/network.h"
#include "sim/references.h"

namespace {

using Answer = harness::GiopPeer::Answer;

LocateOutcome Probe(int port) {
    return LocateProbe("127.0.0.1", static_cast<unsigned>(port), "key",
                       std::chrono::milliseconds(300));
}

// A peer that answers the probe's LocateRequest. Only a LocateReply counts as
// an answer: a peer that says anything else is alive but no service, as one
// that drops the connection is.
TEST(PeerProbe, CountsOnlyALocateReplyAsAnAnswer) {
    const struct {
        const char* label;
        Answer answer;
        LocateOutcome outcome;
    } rows[] = {
        {"a LocateReply", Answer::Here, LocateOutcome::Answered},
        {"a Reply in its place", Answer::True, LocateOutcome::Dropped},
        {"a header's first bytes, then the end", Answer::Magic, LocateOutcome::Dropped},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const harness::GiopPeer peer([&row](const harness::GiopRequest&) { return row.answer; });
        EXPECT_EQ(Probe(peer.port()), row.outcome);
        // The peer took the probe's bytes for a GIOP 1.2 LocateRequest of the
        // object's key: it parses nothing else.
        const auto asked = peer.LocateRequests();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].id, 1u);
        EXPECT_EQ(asked[0].objectKey, "key");
        EXPECT_TRUE(peer.Requests().empty());
    }
}

TEST(PeerProbe, TellsAHungADroppingAndAGoneProcess) {
    const harness::ClosingListener dropping;
    const bnsim::SilentEndpoint hung;
    EXPECT_EQ(Probe(dropping.port()), LocateOutcome::Dropped);
    EXPECT_EQ(Probe(hung.port()), LocateOutcome::Silent);
    EXPECT_EQ(Probe(harness::FreePort()), LocateOutcome::Refused);
}

}  // namespace
