// The sweep against a real Coordinator (omniNames) that is lost after the
// connection: the naming layer's failure says no more than its type, so
// stderr must say that the Coordinator was lost.
#include "client/sweep.h"

#include <gtest/gtest.h>

#include <sstream>

#include "client/CCommonException.h"
#include "client/console_reporter.h"
#include "harness/coordinator.h"
#include "harness/network.h"
#include "tests/support/cerr_capture.h"
#include "tests/support/expected.h"
#include "tests/support/network_skip.h"
#include "utility/strings.h"

namespace {

TEST(Sweep, NamesTheCoordinatorLostAfterTheConnection) {
    if (!harness::EnterPrivateNetwork("sweep-host") && harness::PortAcceptsConnections(1755))
        SKIP_WITHOUT_NETWORK("port 1755 is taken and this user cannot have a network of its own");
    harness::Coordinator coordinator(1755);
    CBackupNetwork network;
    ASSERT_TRUE(network.Connect(kSweepHost, kSweepPort));
    coordinator.Kill();

    std::wostringstream out;
    ConsoleReporter reporter(out);
    CerrCapture err;
    EXPECT_THROW(Sweep(network, reporter), CCommonException);
    EXPECT_EQ(CVLib::strings::toAstr(out.str()), support::kSweepHeading);
    EXPECT_EQ(err.str(),
              "An error occurred while obtain a reference to the root context. Coordinator "
              "could not be reached. Make sure Coordinator is running\nTRANSIENT\n"
              "minor code: TRANSIENT_ConnectFailed (0x41540002), completed: COMPLETED_NO\n"
              "cvcc: the Coordinator at localhost:1755 was lost during the sweep\n");
}

}  // namespace
