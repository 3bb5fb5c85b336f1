#include "harness/giop_peer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace harness {

GiopPeer::GiopPeer(Rule rule)
    : rule_(std::move(rule)), thread_([this] { Serve(); }) {}

GiopPeer::~GiopPeer() {
    stop_ = true;
    thread_.join();
}

std::vector<GiopRequest> GiopPeer::Arrived(GiopType type) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<GiopRequest> found;
    for (const GiopRequest& r : requests_)
        if (r.type == type) found.push_back(r);
    return found;
}

std::vector<GiopRequest> GiopPeer::AwaitRequests(std::size_t count) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (Requests().size() < count && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return Requests();
}

void GiopPeer::Serve() {
    while (!stop_) {
        const int connection = listener_.Accept(std::chrono::milliseconds(50));
        if (connection < 0) {
            // A vanished peer's thread only waits for its end.
            if (listener_.fd() < 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        // omniORB keeps the connection for its next request.
        while (ServeOne(connection)) {
        }
        close(connection);
    }
}

bool GiopPeer::ServeOne(int connection) {
    std::string message(kGiopHeaderSize, '\0');
    if (!ReadAll(connection, message.data(), message.size())) return false;
    const std::size_t length = GiopMessageLength(message);
    if (length == std::string::npos) return false;
    message.resize(length);
    if (!ReadAll(connection, message.data() + kGiopHeaderSize, length - kGiopHeaderSize))
        return false;
    const std::optional<GiopRequest> request = ParseGiopRequest(message);
    if (!request) return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(*request);
    }
    std::string reply;
    switch (rule_(*request)) {
        case Answer::True:
            reply = GiopReply(request->id, 0, std::string(1, '\1'));
            break;
        case Answer::Raise: {
            // The repository id with its nul and a pad byte, then minor code
            // 0 and completion 0 (COMPLETED_YES).
            const std::string id = "IDL:omg.org/CORBA/NO_IMPLEMENT:1.0";
            reply = GiopReply(request->id, 2,
                              std::string{static_cast<char>(id.size() + 1), 0, 0, 0} + id +
                                  std::string(2 + 8, '\0'));
            break;
        }
        case Answer::Here:
            reply = GiopLocateReply(request->id, 1);
            break;
        case Answer::Magic:
            send(connection, "GIOP", 4, MSG_NOSIGNAL);
            return false;
        case Answer::Drop:
            return false;
        case Answer::Vanish:
            listener_.Close();
            return false;
    }
    if (!request->expectsReply) return true;
    return send(connection, reply.data(), reply.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(reply.size());
}

bool GiopPeer::ReadAll(int connection, char* into, std::size_t size) const {
    for (std::size_t done = 0; done < size;) {
        if (stop_) return false;
        pollfd ready{connection, POLLIN, 0};
        if (poll(&ready, 1, 50) == 0) continue;
        const ssize_t n = read(connection, into + done, size - done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace harness
