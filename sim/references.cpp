#include "sim/references.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace bnsim {
namespace {

// A big-endian CDR encapsulation: the byte-order octet first, alignment
// counted from it.
class Encapsulation {
public:
    Encapsulation() { bytes_.push_back(0); }

    void Octet(std::uint8_t v) { bytes_.push_back(v); }
    void UShort(std::uint16_t v) {
        Align(2);
        Octet(static_cast<std::uint8_t>(v >> 8));
        Octet(static_cast<std::uint8_t>(v));
    }
    void ULong(std::uint32_t v) {
        Align(4);
        for (int shift = 24; shift >= 0; shift -= 8) Octet(static_cast<std::uint8_t>(v >> shift));
    }
    void String(const std::string& s) {
        ULong(static_cast<std::uint32_t>(s.size() + 1));
        for (char c : s) Octet(static_cast<std::uint8_t>(c));
        Octet(0);
    }
    void Octets(const std::vector<std::uint8_t>& data) {
        ULong(static_cast<std::uint32_t>(data.size()));
        bytes_.insert(bytes_.end(), data.begin(), data.end());
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    void Align(std::size_t n) {
        while (bytes_.size() % n) bytes_.push_back(0);
    }
    std::vector<std::uint8_t> bytes_;
};

constexpr std::uint32_t kTagInternetIop = 0;
constexpr std::uint32_t kTagCodeSets = 1;
constexpr std::uint32_t kIso8859_1 = 0x00010001;
constexpr std::uint32_t kUtf8 = 0x05010001;
constexpr std::uint32_t kUtf16 = 0x00010109;

std::vector<std::uint8_t> CodeSets() {
    Encapsulation e;
    e.ULong(kIso8859_1);  // char: native, then the conversion sets
    e.ULong(1);
    e.ULong(kUtf8);
    e.ULong(kUtf16);  // wchar: native, no conversion sets
    e.ULong(0);
    return e.bytes();
}

}  // namespace

std::string MakeIor(const std::string& typeId, const std::string& host, std::uint16_t port,
                    const std::string& objectKey) {
    Encapsulation profile;
    profile.Octet(1);  // IIOP 1.2
    profile.Octet(2);
    profile.String(host);
    profile.UShort(port);
    profile.Octets(std::vector<std::uint8_t>(objectKey.begin(), objectKey.end()));
    profile.ULong(1);  // one component: the code sets
    profile.ULong(kTagCodeSets);
    profile.Octets(CodeSets());

    Encapsulation ior;
    ior.String(typeId);
    ior.ULong(1);  // one profile
    ior.ULong(kTagInternetIop);
    ior.Octets(profile.bytes());

    static const char hex[] = "0123456789abcdef";
    std::string text = "IOR:";
    for (std::uint8_t b : ior.bytes()) {
        text += hex[b >> 4];
        text += hex[b & 0xF];
    }
    return text;
}

SilentEndpoint::SilentEndpoint() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd_, 64) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const std::string error = std::strerror(errno);
        close(fd_);
        throw std::runtime_error("silent endpoint: " + error);
    }
    port_ = ntohs(address.sin_port);
}

SilentEndpoint::~SilentEndpoint() {
    if (fd_ >= 0) close(fd_);
}

}  // namespace bnsim
