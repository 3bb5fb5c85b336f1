// A throwaway Coordinator: omniNames on the loopback with a data directory of
// its own, stopped by process id when this object goes.
#pragma once

#include <string>
#include <vector>

#include "harness/files.h"
#include "harness/process.h"

namespace harness {

class Coordinator {
public:
    // Starts omniNames on port, with extra command-line options (omniORB's
    // -ORB... ones, e.g. tracing), and waits until it accepts connections.
    // Throws std::runtime_error when it does not come up.
    explicit Coordinator(int port = 1755, const std::vector<std::string>& extraOptions = {});
    ~Coordinator() = default;

    int port() const { return port_; }
    pid_t pid() const { return service_.pid(); }
    // "corbaloc::localhost:PORT/NameService"
    std::string Reference() const;
    // Runs omniORB's nameclt against this Coordinator.
    RunResult Nameclt(const std::vector<std::string>& args) const;

    void Stop() { service_.Stop(); }
    void Kill() { service_.Kill(); }

private:
    bool WaitUntilAnswering() const;

    int port_;
    TempDir data_;
    Service service_;
};

// A reference of type typeId to the object key on port of the loopback, as
// omniORB's genior writes it ("IOR:..."), whether anything listens there or not.
std::string LoopbackIor(const std::string& typeId, int port, const std::string& key);

}  // namespace harness
