// CBackupNetwork against a real Coordinator (omniNames), each case on a
// private network of its own. Workstations are stand-in references made with
// genior: one aimed at a port where nothing listens is a workstation whose
// process is gone; one aimed at the Coordinator's own port with an unknown
// key is an object its process no longer has.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "client/CCommonException.h"
#include "network/CBackupNetwork.h"
#include "tests/harness/cerr_capture.h"
#include "sim/harness/coordinator.h"
#include "sim/harness/network.h"
#include "sim/harness/process.h"
#include "utility/strings.h"

namespace {

const int kPort = 1755;
const char kHost[] = "network-host";
const char kWorkstationType[] = "IDL:BackupWorkstation/Workstation:1.0";

class BackupNetworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        isolated_ = harness::EnterPrivateNetwork(kHost);
        if (!isolated_ && harness::PortAcceptsConnections(kPort))
            GTEST_SKIP() << "port 1755 is taken and this user cannot have a network of its own";
        coordinator_ = std::make_unique<harness::Coordinator>(kPort);
        ASSERT_TRUE(network_.Connect(L"localhost", L"1755"));
    }

    // Binds ior under path ("id.kind" components joined by "/").
    void Bind(const std::string& path, const std::string& ior) {
        const harness::RunResult bound = coordinator_->Nameclt({"bind", path, ior});
        ASSERT_EQ(bound.exitCode, 0) << bound.err;
    }

    // The bindings of the network context as nameclt lists them, sorted.
    std::vector<std::string> NetworkBindings() {
        const std::string out =
            coordinator_->Nameclt({"list", "TarmelinBackupNetwork.context"}).out;
        std::vector<std::string> lines;
        std::string::size_type start = 0;
        for (std::string::size_type end; (end = out.find('\n', start)) != std::string::npos;
             start = end + 1)
            lines.push_back(out.substr(start, end - start));
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    // A workstation whose process is gone: nothing listens on port 1.
    static std::string DeadWorkstation() {
        return harness::LoopbackIor(kWorkstationType, 1, "dead");
    }

    bool isolated_ = false;
    std::unique_ptr<harness::Coordinator> coordinator_;
    CBackupNetwork network_;
};

std::vector<std::wstring> Sorted(const CBackupNetwork::WorkstationsList& names) {
    std::vector<std::wstring> sorted(names.begin(), names.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

TEST_F(BackupNetworkTest, EmptyNetworkHasNoWorkstationsToSweep) {
    EXPECT_TRUE(network_.GetWorkstationsList().empty());
    EXPECT_TRUE(network_.RemoveDeadWorkstationsOnCoordinator().empty());
    EXPECT_EQ(coordinator_->Nameclt({"list"}).out, "TarmelinBackupNetwork.context/\n");
}

TEST_F(BackupNetworkTest, SweepRemovesOnlyWorkstationsThatAreDeadOrNoWorkstations) {
    CosNaming::NamingContext_var created;
    ASSERT_EQ(network_.GetNetworkContext(created), 0);
    const std::string dead = DeadWorkstation();
    // Something that answers, but as a naming context, not a workstation.
    const std::string notWorkstation = coordinator_->Reference();
    const std::string in = "TarmelinBackupNetwork.context/";
    Bind(in + "dead-1.workstation", dead);
    Bind(in + "dead-2.workstation", dead);
    Bind(in + "\xd0\xbf\xd0\xba.workstation", dead);  // a name that is not ASCII
    Bind(in + "not-a-workstation.workstation", notWorkstation);
    Bind(in + "other-kind.server", dead);
    Bind(in + "other-case.Workstation", dead);
    ASSERT_EQ(coordinator_->Nameclt({"bind_new_context", in + "sub.workstation"}).exitCode, 0);

    const std::vector<std::wstring> swept = {L"dead-1", L"dead-2", L"not-a-workstation",
                                             L"\u043f\u043a"};
    const CBackupNetwork::WorkstationsList listed = network_.GetWorkstationsList();
    EXPECT_EQ(Sorted(listed), swept);

    const CBackupNetwork::WorkstationsList removed = network_.RemoveDeadWorkstationsOnCoordinator();
    // In sweep order, which is the listing's.
    EXPECT_EQ(std::vector<std::wstring>(removed.begin(), removed.end()),
              std::vector<std::wstring>(listed.begin(), listed.end()));
    EXPECT_EQ(NetworkBindings(),
              (std::vector<std::string>{"other-case.Workstation", "other-kind.server",
                                        "sub.workstation/"}));
    EXPECT_TRUE(
        CORBA::is_nil(BackupWorkstation::Workstation_var(network_.GetWorkstation(L"dead-1"))));
}

TEST_F(BackupNetworkTest, WorkstationWhoseObjectIsGoneEndsTheSweep) {
    CosNaming::NamingContext_var created;
    ASSERT_EQ(network_.GetNetworkContext(created), 0);
    // The Coordinator's process runs but has no such object.
    Bind("TarmelinBackupNetwork.context/gone.workstation",
         harness::LoopbackIor(kWorkstationType, kPort, "no-such-object"));
    EXPECT_THROW(network_.RemoveDeadWorkstationsOnCoordinator(), CORBA::OBJECT_NOT_EXIST);
    EXPECT_EQ(NetworkBindings(), std::vector<std::string>{"gone.workstation"});
}

TEST_F(BackupNetworkTest, LocalServerIsLookedUpUnderTheHostName) {
    if (!isolated_) GTEST_SKIP() << "the host name is not this case's own";
    // Bound there, but no server: nil, silently.
    ASSERT_EQ(
        coordinator_->Nameclt({"bind_new_context", std::string(kHost) + ".BackupNetwork"}).exitCode,
        0);
    Bind(std::string(kHost) + ".BackupNetwork/BackupServer.server", coordinator_->Reference());
    {
        CerrCapture err;
        BackupNetwork::Server_var server = network_.GetLocalServer();
        EXPECT_TRUE(CORBA::is_nil(server));
        EXPECT_EQ(err.str(), "");
    }
    // Another name is not bound: the lookup reports.
    CerrCapture err;
    BackupNetwork::Server_var server = network_.GetServer(L"elsewhere");
    EXPECT_TRUE(CORBA::is_nil(server));
    EXPECT_EQ(err.str(),
              "An error occurred while obtain an object reference\nNotFound\n"
              "IDL:omg.org/CosNaming/NamingContext/NotFound:1.0\n"
              "Reason: Missing node. One of the components of a name specifies a binding that "
              "does not exist\n");
}

}  // namespace
