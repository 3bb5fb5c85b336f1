#include "harness/network.h"
#include "harness/loopback_listener.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

namespace harness {
namespace {

bool BringLoopbackUp() {
    const int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0) return false;
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ioctl(sock, SIOCGIFFLAGS, &request) == 0;
    if (ok) {
        request.ifr_flags |= IFF_UP | IFF_RUNNING;
        ok = ioctl(sock, SIOCSIFFLAGS, &request) == 0;
    }
    close(sock);
    return ok;
}

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

bool EnterPrivateNetwork(const std::string& hostname) {
    if (geteuid() != 0) return false;
    if (unshare(CLONE_NEWNET | CLONE_NEWUTS) != 0) return false;
    return BringLoopbackUp() && sethostname(hostname.data(), hostname.size()) == 0;
}

bool PortAcceptsConnections(int port) {
    const int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0) return false;
    const sockaddr_in address = Loopback(port);
    const bool ok = connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(sock);
    return ok;
}

bool WaitForPort(int port, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!PortAcceptsConnections(port)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

int FreePort() {
    return LoopbackListener().port();
}

std::string HostName() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

}  // namespace harness
