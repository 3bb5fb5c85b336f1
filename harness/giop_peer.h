// A peer on the loopback that speaks GIOP 1.2 and knows no IDL: it answers
// each Request and LocateRequest as a rule says, and notes every one as it
// travelled. One thread serves its connections, one after another.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "harness/giop.h"
#include "harness/loopback_listener.h"

namespace harness {

class GiopPeer {
public:
    enum class Answer {
        True,    // a Reply that says true (enough for `_is_a`), whatever was asked
        Raise,   // a Reply of NO_IMPLEMENT, minor 0, COMPLETED_YES
        Here,    // a LocateReply: the object is here
        Magic,   // GIOP's four magic bytes alone, then the connection closes
        Drop,    // the connection closes
        Vanish,  // the connection and the listener close: the process is gone
    };
    using Rule = std::function<Answer(const GiopRequest& request)>;

    // Listens on a port of the system's choice. Throws std::runtime_error
    // when it cannot. The rule runs on the peer's thread.
    explicit GiopPeer(Rule rule);
    ~GiopPeer();
    GiopPeer(const GiopPeer&) = delete;
    GiopPeer& operator=(const GiopPeer&) = delete;

    int port() const { return listener_.port(); }
    // What arrived so far, in order: the Requests, and the LocateRequests.
    std::vector<GiopRequest> Requests() const { return Arrived(GiopType::Request); }
    std::vector<GiopRequest> LocateRequests() const { return Arrived(GiopType::LocateRequest); }
    // Waits (a minute at most) until count Requests have arrived: a oneway
    // call returns before the peer has read it.
    std::vector<GiopRequest> AwaitRequests(std::size_t count) const;

private:
    std::vector<GiopRequest> Arrived(GiopType type) const;
    void Serve();
    // Reads and answers one message; false when the connection is to close.
    bool ServeOne(int connection);
    // Reads size bytes; false at the connection's end or the peer's.
    bool ReadAll(int connection, char* into, std::size_t size) const;

    Rule rule_;
    LoopbackListener listener_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<GiopRequest> requests_;
    std::thread thread_;
};

}  // namespace harness
