#include "tests/harness/coordinator.h"

#include <stdexcept>

#include "tests/harness/network.h"

namespace harness {

Coordinator::Coordinator(int port) : port_(port) {
    // Objects it hands out name the loopback, so no traffic leaves it.
    service_ = Service({"/usr/bin/omniNames", "-start", std::to_string(port), "-datadir",
                        data_.path(), "-always", "-ORBendPointPublish", "giop:tcp:127.0.0.1:"},
                       {}, data_.path() + "/omniNames.out");
    if (!WaitForPort(port_)) {
        const std::string log = ReadFile(data_.path() + "/omniNames.out");
        service_.Stop();
        throw std::runtime_error("omniNames did not come up on port " + std::to_string(port) +
                                 ":\n" + log);
    }
}

std::string Coordinator::Reference() const {
    return "corbaloc::localhost:" + std::to_string(port_) + "/NameService";
}

RunResult Coordinator::Nameclt(const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {"/usr/bin/nameclt", "-ior", Reference()};
    argv.insert(argv.end(), args.begin(), args.end());
    RunOptions options{argv, {}, std::chrono::seconds(30), {}};
    return Run(options);
}

}  // namespace harness
