// record_replies OUT_DIR: the reply fuzzer's seeds, real replies of bnsim
// and omniNames. Each of the fuzzer's commands runs in this process, as the
// fuzz target runs it, against a fresh bnsim whose references name a relay
// of ours (omniORB's ORBendPointPublish, from bnsim's environment), and a
// Coordinator reached through a second relay, which writes that relay's port
// into the Coordinator's references as they pass. The relays pass every
// byte on and keep the replies, which become the command's seed,
// OUT_DIR/<command>. Needs root: a network of its own, where bnsim's port is
// the only one listening besides the Coordinator's and the relays'.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <omniORB4/CORBA.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iostream>
#include <omniORB4/Naming.hh>
#include <sstream>
#include <thread>

#include "client/ConsoleApp.h"
#include "client/run.h"
#include "corba/naming_layout.h"
#include "fuzz/giop_replies.h"
#include "harness/backup_network.h"
#include "harness/giop.h"
#include "harness/loopback_listener.h"
#include "harness/proc.h"

namespace {

const char* kScenario = R"({"tasks": [
    {"id": 1, "name": "Nightly", "status": "tsSuccess",
     "start": [{"status": "tsBackup", "polls": 2}, {"status": "tsSuccess"}],
     "log": {"lines": ["Started", "Copying C:\\Données", "Фото \u001b[31m", "Failed: disk full"]}},
    {"id": 2, "name": "Comptabilité 2024", "status": "tsError"},
    {"id": 3, "name": "Running", "run": [{"status": "tsSynchronize", "polls": 1}, {"status": "tsError"}]},
    {"id": 4, "name": "設計図面", "status": "tsSuccessWithErrors"}],
  "workstations": [{"name": "ACCOUNTING-01"}, {"name": "RÉCEPTION"},
    {"name": "OLD-LAPTOP", "state": "dead"}, {"name": "ROAMING", "state": "forwardsNowhere"}]})";

// The port bnsim listens on: the one listening port of the network that is
// neither the Coordinator's nor the relay's.
int SimulatorPort(const std::vector<int>& others) {
    for (const int port : harness::ListeningPorts())
        if (std::find(others.begin(), others.end(), port) == others.end()) return port;
    throw std::runtime_error("bnsim listens on no port");
}

// The replies both relays kept, in the order they came.
struct Recording {
    std::mutex mutex;
    std::vector<fuzzreplies::Chunk> replies;
    std::vector<fuzzreplies::Chunk> Take() {
        std::lock_guard<std::mutex> lock(mutex);
        return std::move(replies);
    }
};

// A reference's address in a little-endian IIOP profile: the host's length,
// the host, and the port.
std::string LoopbackAddress(int port) {
    return std::string("\x0a\0\0\0" "127.0.0.1\0", 14) + static_cast<char>(port & 0xff) +
           static_cast<char>(port >> 8);
}

// Passes bytes between the client and a peer, and keeps the peer's replies;
// with rewrite, the peer's references to its own port name the relay's.
class Relay {
public:
    Relay(int port, Recording& recording, int rewrite = 0)
        : port_(port), rewrite_(rewrite), recording_(recording), listener_(port) {
        thread_ = std::thread([this] { Serve(); });
    }
    ~Relay() {
        stop_ = true;
        thread_.join();
    }
    void Target(int port) { target_ = port; }

private:
    void Serve() {
        struct Pair {
            int client, server;
            std::string fromServer;
        };
        std::vector<Pair> pairs;
        while (!stop_) {
            std::vector<pollfd> fds{{listener_.fd(), POLLIN, 0}};
            for (const auto& p : pairs) {
                fds.push_back({p.client, POLLIN, 0});
                fds.push_back({p.server, POLLIN, 0});
            }
            if (poll(fds.data(), fds.size(), 20) <= 0) continue;
            if (fds[0].revents & POLLIN) {
                const int client = listener_.Accept(std::chrono::milliseconds(0));
                const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                sockaddr_in address{};
                address.sin_family = AF_INET;
                address.sin_port = htons(static_cast<uint16_t>(target_.load()));
                address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                if (client >= 0 && connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
                    pairs.push_back({client, server, ""});
                else {
                    if (client >= 0) close(client);
                    close(server);
                }
            }
            std::vector<Pair> open;
            for (std::size_t i = 0; i < pairs.size(); ++i) {
                Pair& p = pairs[i];
                bool alive = true;
                for (const bool fromServer : {false, true}) {
                    const pollfd& f = fds[1 + 2 * i + (fromServer ? 1 : 0)];
                    if (!alive || !(f.revents & (POLLIN | POLLHUP | POLLERR))) continue;
                    char data[65536];
                    const ssize_t n = recv(f.fd, data, sizeof data, 0);
                    if (n <= 0 || (!fromServer && send(p.server, data, static_cast<std::size_t>(n), MSG_NOSIGNAL) != n)) {
                        alive = false;
                        continue;
                    }
                    if (fromServer) Keep(p.client, p.fromServer.append(data, static_cast<std::size_t>(n)));
                }
                if (alive) {
                    open.push_back(p);
                } else {
                    close(p.client);
                    close(p.server);
                }
            }
            pairs = std::move(open);
        }
        for (const auto& p : pairs) {
            close(p.client);
            close(p.server);
        }
    }
    // Passes on and keeps the complete messages at the start of the peer's
    // bytes, whole messages only, so that a reference is rewritten whole.
    void Keep(int client, std::string& bytes) {
        for (;;) {
            const std::size_t length = harness::GiopMessageLength(bytes);
            if (length == 0 || length == std::string::npos || bytes.size() < length) return;
            std::string message = bytes.substr(0, length);
            bytes.erase(0, length);
            if (rewrite_) {
                const std::string from = LoopbackAddress(rewrite_), to = LoopbackAddress(port_);
                for (auto at = message.find(from); at != std::string::npos; at = message.find(from, at + 1))
                    message.replace(at, from.size(), to);
            }
            send(client, message.data(), message.size(), MSG_NOSIGNAL);
            std::lock_guard<std::mutex> lock(recording_.mutex);
            recording_.replies.push_back({message, true});
        }
    }

    int port_;
    int rewrite_;
    Recording& recording_;
    harness::LoopbackListener listener_;
    std::atomic<int> target_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: record_replies OUT_DIR\n";
        return 2;
    }
    harness::BackupNetwork net({"cvcc-record", 0, kScenario});
    if (!net.isolated()) {
        std::cerr << "record_replies: needs root, for a network of its own\n";
        return 2;
    }
    Recording recording;
    Relay serverRelay(fuzzreplies::kServerPort, recording);
    Relay coordinatorRelay(fuzzreplies::kCoordinatorPort, recording, net.coordinatorPort());
    coordinatorRelay.Target(net.coordinatorPort());
    CBackupNetwork network;
    const std::wstring coordinator = std::to_wstring(fuzzreplies::kCoordinatorPort);
    if (network.InitORBConnectedToNS(L"127.0.0.1", coordinator.c_str()) != 0) return 1;
    CORBA::ORB_ptr orb = network.GetOrb();

    const auto& commands = fuzzreplies::Commands();
    for (std::size_t c = 0; c < commands.size(); ++c) {
        // A fresh bnsim whose references name the relay.
        setenv("ORBendPointPublish", ("giop:tcp:127.0.0.1:" + std::to_string(fuzzreplies::kServerPort)).c_str(), 1);
        net.StartSimulator();
        unsetenv("ORBendPointPublish");
        serverRelay.Target(SimulatorPort({net.coordinatorPort(), fuzzreplies::kServerPort, fuzzreplies::kCoordinatorPort}));

        CORBA::Object_var object = orb->string_to_object(
            ("corbaloc::127.0.0.1:" + std::to_string(net.coordinatorPort()) + "/NameService").c_str());
        CosNaming::NamingContext_var root = CosNaming::NamingContext::_narrow(object);
        CosNaming::Name name;
        name.length(2);
        name[0].id = CORBA::string_dup(net.hostname().c_str());
        name[0].kind = CORBA::string_dup(naming::kServerKind);
        name[1].id = CORBA::string_dup(naming::kServerObjectId);
        name[1].kind = CORBA::string_dup(naming::kServerObjectKind);
        BackupNetwork::Server_var server = BackupNetwork::Server::_narrow(root->resolve(name));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        recording.Take();  // the lookup is not the command's

        std::wostringstream out;
        const int exitCode = fuzzreplies::RunCommand(c, network, server, out);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const auto replies = recording.Take();
        const auto& texts = commands[c];
        std::string label;
        for (std::size_t k = 1; k < texts.size(); ++k)
            for (wchar_t ch : texts[k]) label += std::isalnum(ch) ? static_cast<char>(ch) : '_';
        const std::string path = std::string(argv[1]) + "/" + std::to_string(c) + label;
        std::ofstream(path, std::ios::binary)
            << fuzzreplies::FormatInput({static_cast<std::uint8_t>(c), replies});
        std::cout << path << ": " << replies.size() << " replies, exit " << exitCode << std::endl;
    }
    return 0;
}
