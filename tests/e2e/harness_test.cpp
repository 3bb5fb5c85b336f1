// The harness itself: a private network per case, a Coordinator that comes
// up on the case's port and goes with its owner.
#include <gtest/gtest.h>

#include "sim/harness/coordinator.h"
#include "sim/harness/network.h"

namespace {

TEST(Harness, CoordinatorOnAPrivateNetworkIsReachedByNamecltAndStoppedByPid) {
    const bool isolated = harness::EnterPrivateNetwork("harness-host");
    if (!isolated && harness::PortAcceptsConnections(1755))
        GTEST_SKIP() << "port 1755 is taken and this user cannot have a network of its own";
    if (isolated) {
        EXPECT_EQ(harness::HostName(), "harness-host");
    }

    pid_t pid;
    {
        harness::Coordinator coordinator(1755);
        pid = coordinator.pid();
        ASSERT_TRUE(harness::ProcessExists(pid));
        EXPECT_EQ(
            coordinator.Nameclt({"bind_new_context", "TarmelinBackupNetwork.context"}).exitCode, 0);
        const harness::RunResult list = coordinator.Nameclt({"list"});
        EXPECT_EQ(list.exitCode, 0);
        EXPECT_EQ(list.out, "TarmelinBackupNetwork.context/\n");
    }
    EXPECT_FALSE(harness::ProcessExists(pid));
    EXPECT_FALSE(harness::PortAcceptsConnections(1755));
}

}  // namespace
