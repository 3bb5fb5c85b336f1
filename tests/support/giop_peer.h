// A peer on the loopback that reads GIOP 1.2 messages and answers each
// Request by a rule: with a reply that says true (enough for `_is_a`), with
// a system exception, by closing the connection, or by closing the
// connection and its listener (the process is gone). It notes every Request
// as it travelled (the operation, whether a reply is expected, the argument
// bytes) and counts the LocateRequests, which it answers by closing.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace support {

class GiopPeer {
public:
    enum class Answer { True, Raise, Drop, Vanish };
    using Rule = std::function<Answer(const std::string& operation)>;
    struct Request {
        std::string operation;
        bool expectsReply;
        std::string args;  // the body after the header, as sent
    };

    explicit GiopPeer(Rule rule) : rule_(std::move(rule)) {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listener_, 16) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen on the loopback");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~GiopPeer() {
        stop_ = true;
        thread_.join();
        if (listener_ >= 0) close(listener_);
    }
    GiopPeer(const GiopPeer&) = delete;
    GiopPeer& operator=(const GiopPeer&) = delete;

    int port() const { return port_; }
    int locateRequests() const { return locateRequests_; }
    std::vector<Request> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    // Waits (a minute at most) until count Requests have arrived: a oneway
    // call returns before the peer has read it.
    std::vector<Request> AwaitRequests(std::size_t count) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (Requests().size() < count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return Requests();
    }

private:
    void Serve() {
        while (!stop_ && listener_ >= 0) {
            pollfd p{listener_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) continue;
            // omniORB keeps the connection for its next request.
            while (ServeOne(connection)) {
            }
            close(connection);
        }
    }
    // Answers one message; false when the connection is to be closed.
    bool ServeOne(int connection) {
        char header[12];
        if (!ReadAll(connection, header, sizeof header) || std::string(header, 4) != "GIOP")
            return false;
        const bool little = header[6] & 1;
        const auto u32 = [little](const std::string& in, size_t at) {
            const auto* b = reinterpret_cast<const unsigned char*>(in.data() + at);
            return little ? b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24
                          : uint32_t(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
        };
        std::string body(u32(std::string(header, 12), 8), '\0');
        if (!ReadAll(connection, body.data(), body.size())) return false;
        if (header[7] == 3) ++locateRequests_;
        if (header[7] != 0) return false;
        // GIOP 1.2 Request: id, response flags and reserved, a KeyAddr
        // target (two bytes of discriminator, two of padding, the key), the
        // operation, the service contexts, then the arguments, 8-aligned
        // from the message's start (whose header is 12 bytes).
        const auto align = [](size_t at, size_t to) { return (at + 12 + to - 1) / to * to - 12; };
        size_t at = align(16 + u32(body, 12), 4);
        const std::string operation(body.data() + at + 4, u32(body, at) - 1);
        at = align(at + 4 + u32(body, at), 4);
        const uint32_t contexts = u32(body, at);
        at += 4;
        for (uint32_t i = 0; i < contexts; ++i) at = align(at + 8 + u32(body, at + 4), 4);
        at = std::min(align(at, 8), body.size());
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back({operation, (body[4] & 1) != 0, body.substr(at)});
        }
        // A Reply: the request's id, a status, no service contexts; the
        // body, 8-aligned at 24.
        std::string reply = {'G', 'I', 'O', 'P', 1, 2, 1, 1, 0, 0, 0, 0};
        reply.append(body.data(), 4);
        switch (rule_(operation)) {
            case Answer::True:
                reply.append(8, '\0');
                reply.push_back(1);
                break;
            case Answer::Raise:  // NO_IMPLEMENT, minor 0, COMPLETED_YES
                reply +=
                    std::string("\2\0\0\0\0\0\0\0\x23\0\0\0IDL:omg.org/CORBA/NO_IMPLEMENT:1.0", 46);
                reply.append(2 + 8, '\0');  // the nul and a pad byte, minor, completion
                break;
            case Answer::Drop:
                return false;
            case Answer::Vanish:
                close(listener_);
                listener_ = -1;
                return false;
        }
        if ((body[4] & 1) == 0) return true;  // a oneway gets no reply
        reply[8] = static_cast<char>(reply.size() - 12);
        return send(connection, reply.data(), reply.size(), MSG_NOSIGNAL) > 0;
    }
    // Reads size bytes; false at the connection's end or the peer's.
    bool ReadAll(int fd, char* into, size_t size) const {
        for (size_t done = 0; done < size;) {
            pollfd p{fd, POLLIN, 0};
            if (stop_) return false;
            if (poll(&p, 1, 50) == 0) continue;
            const ssize_t n = read(fd, into + done, size - done);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    Rule rule_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> locateRequests_{0};
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
    std::thread thread_;
};

}  // namespace support
