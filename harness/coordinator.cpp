#include "harness/coordinator.h"

#include <stdexcept>
#include <thread>

#include "harness/network.h"

namespace harness {

Coordinator::Coordinator(int port, const std::vector<std::string>& extraOptions) : port_(port) {
    // Objects it hands out name the loopback, so no traffic leaves it.
    std::vector<std::string> argv = {
        "/usr/bin/omniNames", "-start",  std::to_string(port),  "-datadir",
        data_.path(),         "-always", "-ORBendPointPublish", "giop:tcp:127.0.0.1:"};
    argv.insert(argv.end(), extraOptions.begin(), extraOptions.end());
    service_ = Service(argv, {}, data_.path() + "/omniNames.out");
    // omniNames opens its port before its root context is served: until
    // then a request is refused. Ready means a real naming request answers.
    if (!WaitForPort(port_) || !WaitUntilAnswering()) {
        const std::string log = ReadFile(data_.path() + "/omniNames.out");
        service_.Stop();
        throw std::runtime_error("omniNames did not come up on port " + std::to_string(port) +
                                 ":\n" + log);
    }
}

bool Coordinator::WaitUntilAnswering() const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Nameclt({"list"}).exitCode != 0) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
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

std::string LoopbackIor(const std::string& typeId, int port, const std::string& key) {
    const std::string out =
        Run({{"/usr/bin/genior", typeId, "127.0.0.1", std::to_string(port), key}, {}}).out;
    const std::string ior = out.substr(out.rfind("IOR:"));
    return ior.substr(0, ior.find_first_of("\r\n"));
}

}  // namespace harness
