// Listening sockets on the loopback, the one way the test peers of tests,
// the soak, the fuzz targets and the benchmark listen: the socket itself, and
// a peer that closes every connection it is offered.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace harness {

// A TCP socket listening on 127.0.0.1, closed when this goes. A connection
// it accepts belongs to the caller. Accept and Close come from one thread at
// a time: the one that serves the port, or the owner once none does.
class LoopbackListener {
public:
    // Listens on `port`, or on one the system picks (0), taking it over from
    // connections of an earlier run that still linger (SO_REUSEADDR).
    // Throws std::runtime_error when the port cannot be had.
    explicit LoopbackListener(int port = 0);
    ~LoopbackListener();
    LoopbackListener(LoopbackListener&& other) noexcept;
    LoopbackListener& operator=(LoopbackListener&&) = delete;
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int port() const { return port_; }
    // The socket, to poll on with others; -1 once closed.
    int fd() const { return fd_; }
    // A connection accepted within `wait`, which the caller closes; -1 when
    // none came, or once the listener is closed.
    int Accept(std::chrono::milliseconds wait) const;
    // Stops listening: from now on a connection is refused, as when the
    // process behind the port is gone.
    void Close();

private:
    int fd_ = -1;
    int port_ = 0;
};

// A port on the loopback that accepts every connection and closes it at
// once, reading nothing: something listens, but it is no service. Stops
// listening when this object goes.
class ClosingListener {
public:
    // Throws std::runtime_error when the port cannot be bound.
    explicit ClosingListener(int port = 0);
    ~ClosingListener();
    ClosingListener(const ClosingListener&) = delete;
    ClosingListener& operator=(const ClosingListener&) = delete;

    int port() const { return listener_.port(); }

private:
    LoopbackListener listener_;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
};

}  // namespace harness
