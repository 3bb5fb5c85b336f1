// The client against a server and a Coordinator whose replies are the
// fuzzer's bytes: a peer inside this process (giop_replies.h) answers each
// request of a listing, an execute's status polls, a log read, a check or a
// sweep's naming calls, in the console or the JSON mode, with the input's
// next GIOP message. Whatever the replies say, the run must
// end (a short call timeout bounds a reply that never comes), report no
// sanitizer finding, and write valid UTF-8 to what stands for stdout. The
// seeds are real replies of bnsim (fuzz/record_replies.cpp).
#include <omniORB4/CORBA.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "BackupNetwork.hh"
#include "client/console.h"
#include "fuzz/giop_replies.h"
#include "harness/giop.h"
#include "harness/network.h"
#include "utility/strings.h"

namespace {

// A reply that never comes ends its call after this many milliseconds.
constexpr const char* kCallTimeout = "50";

// The server at the peer, as `genior IDL:tarmelin/BackupNetwork/Server:1.0
// 127.0.0.1 28516 server` writes it: unlike a corbaloc reference it names the
// code sets, without which omniORB sends no wide string.
const char* kServer =
    "IOR:010000002600000049444c3a7461726d656c696e2f4261636b75704e6574776f726b2f5365727665723a312e30000000010000000000000058000000010102000a0000003132372e302e302e3100646f0600000073657276657200000200000000000000080000000100000000545441010000001c00000001000000010001000100000001000105090101000100000009010100";

// The client's connection as cvcc makes it, to a Coordinator at the peer's
// second port (the sweep's root context), and the server at its first.
struct Client {
    // The peer listens in a network of the process's own, where its ports
    // are surely free, when the fuzzer may have one (root); otherwise on the
    // host's loopback.
    Client()
        : peer((harness::EnterPrivateNetwork("cvcc-fuzz"),
                std::vector<int>{fuzzreplies::kServerPort, fuzzreplies::kCoordinatorPort})) {
        setenv("ORBclientCallTimeOutPeriod", kCallTimeout, 1);
        // The check ends its process at its deadline (10 s by default). Here
        // a slow input is libFuzzer's to judge (-timeout): AddressSanitizer
        // takes seconds to free what omniORB allocates for a reference's
        // code sets when a reply's count asks for gigabytes.
        setenv("CVCC_CHECK_TIMEOUT", "86400", 1);
        // The connection asks the Coordinator whether its root context is
        // one (_is_a): a reply that says true.
        peer.Load({{harness::GiopReply(0, 0, std::string(1, '\1')), true}});
        const std::wstring port = std::to_wstring(fuzzreplies::kCoordinatorPort);
        if (network.InitORBConnectedToNS(L"127.0.0.1", port.c_str()) != 0) std::abort();
        CORBA::Object_var object = network.GetOrb()->string_to_object(kServer);
        server = BackupNetwork::Server::_unchecked_narrow(object);
    }
    fuzzreplies::ReplayPeer peer;
    CBackupNetwork network;
    BackupNetwork::Server_var server;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The client lives as long as the process, and its ORB ends before
    // omniORB's own statics go: an ORB thread still running then hangs the
    // exit.
    static Client* client = nullptr;
    if (client == nullptr) {
        client = new Client;
        std::atexit([] { delete client; });
    }
    // What the run writes on stderr says nothing to the fuzzer.
    static std::ostringstream discarded;
    std::cerr.rdbuf(discarded.rdbuf());
    discarded.str("");

    const fuzzreplies::Input input = fuzzreplies::ParseInput(data, size);
    client->peer.Load(input.replies);
    const std::size_t command = input.command % fuzzreplies::Commands().size();

    // stdout as the console writes it: UTF-8 through the wide buffer.
    std::stringbuf bytes;
    console::Utf8WideBuffer wide(bytes);
    std::wostream out(&wide);
    fuzzreplies::RunCommand(command, client->network, client->server, out);
    out.flush();
    // REPLIES_FUZZ_SHOW=1 shows what an input printed, to look into one.
    static const bool show = std::getenv("REPLIES_FUZZ_SHOW") != nullptr;
    if (show) std::fprintf(stderr, "%s", bytes.str().c_str());
    if (!CVLib::strings::IsUtf8(bytes.str())) {
        std::fprintf(stderr, "stdout is not UTF-8:\n%s\n", bytes.str().c_str());
        std::abort();
    }
    return 0;
}
