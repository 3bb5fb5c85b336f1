// The reply fuzzer's input format, and a peer on the loopback that answers
// each request with the next reply of the input.
//
// The input: one byte that chooses the command, then replies, each a 16-bit
// little-endian length and that many bytes, a whole GIOP message as the peer
// sends it. Bit 15 of the length leaves the message as it is; without it, a
// Reply or LocateReply gets the request id of the request it answers, so that
// most inputs reach the client's code past omniORB's matching of ids.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "harness/loopback_listener.h"
#include "network/CBackupNetwork.h"

namespace fuzzreplies {

struct Chunk {
    std::string message;
    bool patchId = true;
};

// The ports the peer listens on, in a network of the fuzzer's own, one for
// the server's objects and one for the Coordinator's: the references in the
// seeds' replies name them, as the recorder's relays listened there when
// bnsim and omniNames published them.
constexpr int kServerPort = 28516;
constexpr int kCoordinatorPort = 28517;

// The commands an input's first byte chooses from (modulo their count),
// each as cvcc's argv.
const std::vector<std::vector<std::wstring>>& Commands();

// Runs command c as cvcc would, against server, writing the console's text
// to out; the sweep (--NSClean) goes through network, connected to the
// Coordinator, whose connection outlives the run. Answers the exit code.
int RunCommand(std::size_t c, CBackupNetwork& network, BackupNetwork::Server_ptr server,
               std::wostream& out);

// The input's command byte and its replies.
struct Input {
    std::uint8_t command = 0;
    std::vector<Chunk> replies;
};
Input ParseInput(const std::uint8_t* data, std::size_t size);
std::string FormatInput(const Input& input);

// A peer on 127.0.0.1 that answers every request that expects a reply with
// the next reply of the current input, closing the connection when there is
// none left, and every LocateRequest with "the object is here"; it reads and
// answers on one thread, all connections in turn.
class ReplayPeer {
public:
    explicit ReplayPeer(const std::vector<int>& ports);
    ~ReplayPeer();
    ReplayPeer(const ReplayPeer&) = delete;
    ReplayPeer& operator=(const ReplayPeer&) = delete;

    // The replies of the next input; what is left of the last one goes.
    void Load(const std::vector<Chunk>& replies);

private:
    void Serve();
    // Answers the complete messages in the connection's buffer; false when
    // the connection is to be closed.
    bool Answer(int fd, std::string& buffer);

    std::vector<harness::LoopbackListener> listeners_;
    std::mutex mutex_;
    std::deque<Chunk> replies_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace fuzzreplies
