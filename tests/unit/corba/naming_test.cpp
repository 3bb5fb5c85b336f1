// The wrapper against a real Coordinator (omniNames), each case on a private
// network of its own where ports 1755 and 1756 are free.
#include <gtest/gtest.h>

#include <string>

#include "client/CCommonException.h"
#include "corba/CCorbaWrapper.h"
#include "corba/exception_info.h"
#include "corba/naming_layout.h"
#include "harness/coordinator.h"
#include "harness/loopback_listener.h"
#include "harness/network.h"
#include "tests/support/cerr_capture.h"
#include "tests/support/network_skip.h"
#include "utility/strings.h"

namespace {

const int kPort = 1755;

class NamingTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!harness::EnterPrivateNetwork("corba-host") &&
            (harness::PortAcceptsConnections(kPort) || harness::PortAcceptsConnections(kPort + 1)))
            SKIP_WITHOUT_NETWORK(
                "ports 1755/1756 are taken and this user cannot have a network of its own");
    }
};

// The lines EchoError writes for a caught CORBA exception.
std::string Report(const std::string& message, const CORBA::Exception& e) {
    return message + "\n" + e._name() + "\n" + ExceptionInfo(e) + "\n";
}

// What the call throws as a CCommonException, and nothing when it does not.
template <typename Call>
std::string Thrown(Call call) {
    try {
        call();
    } catch (const CCommonException& e) {
        return CVLib::strings::toAstr(e.GetErrorMessage());
    }
    return "";
}

TEST_F(NamingTest, ThePortIsProbedOncePerHostAndPortAndMustBeANamingService) {
    CCorbaWrapper wrapper;
    CerrCapture err;
    EXPECT_EQ(Thrown([&] { wrapper.InitORBConnectedToNS(L"localhost", L"1755"); }),
              "exception message: NameService port checking failed on localhost:1755\n"
              "file: CCorbaWrapper.cpp\nline: 173\nfunction: CCorbaWrapper::InitORBConnectedToNS");
    EXPECT_TRUE(CORBA::is_nil(wrapper.GetOrb()));

    auto coordinator = std::make_unique<harness::Coordinator>(kPort);
    ASSERT_EQ(wrapper.InitORBConnectedToNS(L"localhost", L"1755"), 0);
    CORBA::ORB_ptr running = wrapper.GetOrb();
    // A running connection stays as it was when another port is closed.
    EXPECT_NE(Thrown([&] { wrapper.InitORBConnectedToNS(L"localhost", L"1756"); }), "");
    EXPECT_EQ(wrapper.GetOrb(), running);
    coordinator.reset();
    // The same host and port again are not probed (the port is closed now);
    // the comparison is exact, so another spelling of the host is.
    EXPECT_EQ(wrapper.InitORBConnectedToNS(L"localhost", L"1755"), 0);
    EXPECT_NE(Thrown([&] { wrapper.InitORBConnectedToNS(L"127.0.0.1", L"1755"); }), "");
    EXPECT_EQ(err.str(), "");

    // A port that is no naming service: the listener closes the connection
    // after the request went out, so the peer is alive and may have read
    // it, and the COMM_FAILURE stands.
    harness::ClosingListener listener(kPort);
    CCorbaWrapper other;
    const std::string lines =
        Report("Unknown error occurred while obtain a reference to the root context",
               CORBA::COMM_FAILURE(omni::COMM_FAILURE_WaitingForReply, CORBA::COMPLETED_MAYBE));
    EXPECT_EQ(Thrown([&] { other.InitORBConnectedToNS(L"localhost", L"1755"); }),
              "exception message: " + lines);
    EXPECT_EQ(err.str(), lines);
}

// Lookups and unbindings that succeed, and a lookup that finds nothing, are
// in every end-to-end case.
TEST_F(NamingTest, TheNetworkContextIsMadeOnceAndAMissingBindingIsReported) {
    harness::Coordinator coordinator(kPort);
    CCorbaWrapper wrapper;
    ASSERT_EQ(wrapper.InitORBConnectedToNS(L"localhost", L"1755"), 0);
    {
        CerrCapture err;
        // Created once, then resolved.
        CosNaming::NamingContext_var first, second;
        ASSERT_EQ(wrapper.GetNetworkContext(first), 0);
        ASSERT_EQ(wrapper.GetNetworkContext(second), 0);
        EXPECT_TRUE(first->_is_equivalent(second));
        EXPECT_EQ(coordinator.Nameclt({"list"}).out, std::string(naming::kNetworkContextId) + "." +
                                                         naming::kNetworkContextKind + "/\n");
        EXPECT_EQ(err.str(), "");
    }
    CerrCapture err;
    EXPECT_NE(Thrown([&] { wrapper.UnRegisterObject("ghost"); }), "");
    EXPECT_EQ(err.str(), "Unknown error occurred while unbinding object\n");
}

}  // namespace
