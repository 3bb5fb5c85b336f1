#include "harness/loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace harness {

LoopbackListener::LoopbackListener(int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const int yes = 1;
    if (fd_ < 0 || setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
        bind(fd_, reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        listen(fd_, 64) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        Close();
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
    }
    port_ = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener() {
    Close();
}

LoopbackListener::LoopbackListener(LoopbackListener&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), port_(other.port_) {}

int LoopbackListener::Accept(std::chrono::milliseconds wait) const {
    pollfd ready{fd_, POLLIN, 0};
    if (fd_ < 0 || poll(&ready, 1, static_cast<int>(wait.count())) <= 0) return -1;
    return accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

void LoopbackListener::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

ClosingListener::ClosingListener(int port) : listener_(port) {
    acceptor_ = std::thread([this] {
        while (!stopping_) {
            const int connection = listener_.Accept(std::chrono::milliseconds(50));
            if (connection >= 0) close(connection);
        }
    });
}

ClosingListener::~ClosingListener() {
    stopping_ = true;
    acceptor_.join();
}

}  // namespace harness
