#include "harness/proc.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace harness {
namespace {

std::string ProcPath(pid_t pid, const char* file) {
    return "/proc/" + std::to_string(pid) + "/" + file;
}

// One socket of /proc/net/tcp or tcp6: the local port, the state (0A:
// listening, 01: connected) and the bytes in its receive queue.
struct TcpSocket {
    int localPort;
    std::string state;
    unsigned long received;
};

std::vector<TcpSocket> TcpSockets() {
    std::vector<TcpSocket> sockets;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream lines(table);
        std::string line;
        std::getline(lines, line);  // the heading
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues;
            fields >> slot >> local >> remote >> state >> queues;
            const auto colon = local.rfind(':'), rx = queues.find(':');
            if (colon == std::string::npos || rx == std::string::npos) continue;
            sockets.push_back({std::stoi(local.substr(colon + 1), nullptr, 16), state,
                               std::stoul(queues.substr(rx + 1), nullptr, 16)});
        }
    }
    return sockets;
}

}  // namespace

bool ProcessExists(pid_t pid) {
    if (pid <= 0) return false;
    // A zombie's state says Z. A process that is reaped while its file is
    // read fails the read (ESRCH), which libstdc++ throws from the stream
    // buffer: it is gone.
    std::ifstream stat(ProcPath(pid, "stat"));
    if (!stat) return false;
    std::string content;
    try {
        content.assign(std::istreambuf_iterator<char>(stat), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return false;
    }
    const auto close = content.rfind(')');
    return close != std::string::npos && close + 2 < content.size() && content[close + 2] != 'Z';
}

std::optional<std::string> StatusField(pid_t pid, const std::string& name) {
    std::ifstream status(ProcPath(pid, "status"));
    std::string line;
    while (std::getline(status, line))
        if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 &&
            line[name.size()] == ':') {
            const auto value = line.find_first_not_of(" \t", name.size() + 1);
            return value == std::string::npos ? std::string() : line.substr(value);
        }
    return std::nullopt;
}

std::optional<ProcessLoad> Load(pid_t pid) {
    if (pid <= 0) return std::nullopt;
    ProcessLoad load;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(ProcPath(pid, "fd"), ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
        ++load.descriptors;
    const std::optional<std::string> threads = StatusField(pid, "Threads");
    if (ec || !threads) return std::nullopt;
    load.threads = std::stoi(*threads);
    return load;
}

std::vector<int> ListeningPorts() {
    std::vector<int> ports;
    for (const TcpSocket& socket : TcpSockets())
        if (socket.state == "0A") ports.push_back(socket.localPort);
    return ports;
}

bool RequestWaitsOnPort(int port) {
    for (const TcpSocket& socket : TcpSockets())
        if (socket.state == "01" && socket.localPort == port && socket.received > 0) return true;
    return false;
}

void WaitUntilCatching(pid_t pid, int signal) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    for (;;) {
        const std::optional<std::string> caught = StatusField(pid, "SigCgt");
        if (caught && (std::stoull(*caught, nullptr, 16) >> (signal - 1) & 1)) return;
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("process " + std::to_string(pid) +
                                     " never catches the signal");
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace harness
