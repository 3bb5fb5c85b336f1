#include "fuzz/giop_replies.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <stdexcept>

#include "client/ConsoleApp.h"
#include "client/run.h"
#include "client/sweep.h"

namespace fuzzreplies {
namespace {

std::uint32_t ReadULong(const std::string& m, std::size_t at, bool little) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<std::uint8_t>(m[at + static_cast<std::size_t>(i)]);
        v |= little ? static_cast<std::uint32_t>(byte) << (8 * i) : static_cast<std::uint32_t>(byte) << (8 * (3 - i));
    }
    return v;
}

void WriteULong(std::string& m, std::size_t at, std::uint32_t v, bool little) {
    for (int i = 0; i < 4; ++i)
        m[at + static_cast<std::size_t>(i)] =
            static_cast<char>(little ? (v >> (8 * i)) & 0xff : (v >> (8 * (3 - i))) & 0xff);
}

bool SendAll(int fd, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

const std::vector<std::vector<std::wstring>>& Commands() {
    static const std::vector<std::vector<std::wstring>> commands = {
        {L"cvcc", L"--List"},
        {L"cvcc", L"--Execute", L"Nightly"},
        {L"cvcc", L"--Log", L"Nightly"},
        {L"cvcc", L"--Json", L"--List"},
        {L"cvcc", L"--Json", L"--Execute", L"Nightly"},
        {L"cvcc", L"--Json", L"--Log", L"Nightly"},
        {L"cvcc", L"--Check"},
        {L"cvcc", L"--WaitAll"},
        {L"cvcc", L"--NSClean"},
        {L"cvcc", L"--Json", L"--NSClean"},
    };
    return commands;
}

int RunCommand(std::size_t c, CBackupNetwork& network, BackupNetwork::Server_ptr server,
               std::wostream& out) {
    std::vector<std::wstring> texts = Commands()[c];
    if (texts.back() == L"--NSClean") {
        // The sweep as the command runs it, through a connection of its own
        // that stays, and its report through the reporter the mode asks for.
        std::vector<std::wstring> arguments(texts.begin() + 1, texts.end());
        const std::unique_ptr<Reporter> reporter =
            ConsoleApp::MakeReporter(arguments, out, NeverExpires);
        std::exception_ptr failure;
        reporter->Banner();
        try {
            Sweep(network, *reporter);
        } catch (...) {
            failure = std::current_exception();
        }
        return RunToExitCode([&] { return reporter->RunEnded(failure); }, out);
    }
    std::vector<wchar_t*> argv;
    for (auto& text : texts) argv.push_back(text.data());
    return RunToExitCode(
        [&] {
            return ConsoleApp(static_cast<int>(argv.size()), argv.data(), server, out,
                              [](std::chrono::milliseconds) {})
                .Run();
        },
        out);
}

Input ParseInput(const std::uint8_t* data, std::size_t size) {
    Input input;
    if (size == 0) return input;
    input.command = data[0];
    std::size_t at = 1;
    while (at + 2 <= size) {
        const unsigned word = data[at] | (data[at + 1] << 8);
        at += 2;
        const std::size_t length = std::min<std::size_t>(word & 0x7fff, size - at);
        input.replies.push_back({std::string(reinterpret_cast<const char*>(data + at), length), !(word & 0x8000)});
        at += length;
    }
    return input;
}

std::string FormatInput(const Input& input) {
    std::string out(1, static_cast<char>(input.command));
    for (const auto& chunk : input.replies) {
        const std::size_t length = std::min<std::size_t>(chunk.message.size(), 0x7fff);
        const unsigned word = static_cast<unsigned>(length) | (chunk.patchId ? 0 : 0x8000);
        out += static_cast<char>(word & 0xff);
        out += static_cast<char>(word >> 8);
        out += chunk.message.substr(0, length);
    }
    return out;
}

std::size_t MessageLength(const std::string& buffer) {
    if (buffer.size() < 12) return 0;
    if (buffer.compare(0, 4, "GIOP") != 0) return std::string::npos;
    const bool little = buffer[6] & 1;
    return 12 + static_cast<std::size_t>(ReadULong(buffer, 8, little));
}

bool RequestId(const std::string& message, std::uint32_t& id, bool& expectsReply) {
    if (message.size() < 17 || message[4] != 1 || message[5] != 2) return false;
    const bool little = message[6] & 1;
    id = ReadULong(message, 12, little);
    // GIOP 1.2: a Request's response flags follow its id; a LocateRequest
    // always expects its reply.
    expectsReply = message[7] == kLocateRequest || (message[16] & 3) != 0;
    return message[7] == kRequest || message[7] == kLocateRequest;
}

ReplayPeer::ReplayPeer(const std::vector<int>& ports) {
    for (const int port : ports) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener, 64) != 0)
            throw std::runtime_error("the reply peer cannot listen on 127.0.0.1:" + std::to_string(port));
        listeners_.push_back(listener);
    }
    thread_ = std::thread([this] { Serve(); });
}

ReplayPeer::~ReplayPeer() {
    stop_ = true;
    thread_.join();
    for (const int listener : listeners_) close(listener);
}

void ReplayPeer::Load(const std::vector<Chunk>& replies) {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_.assign(replies.begin(), replies.end());
}

bool ReplayPeer::Answer(int fd, std::string& buffer) {
    for (;;) {
        const std::size_t length = MessageLength(buffer);
        if (length == std::string::npos) return false;
        if (length == 0 || buffer.size() < length) return true;
        const std::string message = buffer.substr(0, length);
        buffer.erase(0, length);
        std::uint32_t id = 0;
        bool expectsReply = false;
        if (!RequestId(message, id, expectsReply) || !expectsReply) continue;
        if (message[7] == kLocateRequest) {
            // Only the client's probe of a peer that hung up asks where an
            // object is, and it reads no more than that an answer came: the
            // peer says "here" at once, without spending the input's replies
            // (without it, each input that runs out of replies costs the
            // probe's whole second).
            std::string here("GIOP\x01\x02\x01\x04\x08\0\0\0", 12);
            here.append(8, '\0');
            WriteULong(here, 12, id, true);
            WriteULong(here, 16, 1, true);  // OBJECT_HERE
            if (!SendAll(fd, here)) return false;
            continue;
        }
        Chunk reply;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (replies_.empty()) return false;  // nothing more to say: the peer hangs up
            reply = replies_.front();
            replies_.pop_front();
        }
        std::string& out = reply.message;
        // omniORB 4.2 adds the 12 bytes of the header to a message's size in
        // 32 bits: a size of 0xFFFFFFF4 comes to 0, and its reader then
        // allocates buffers without end (docs/reliability.md). Such a reply
        // is sent one byte larger, as large as the peer meant it, so that
        // the fuzzer goes on past this known defect of omniORB.
        if (out.size() >= 12 && out.compare(0, 4, "GIOP") == 0 &&
            ReadULong(out, 8, out[6] & 1) == 0xFFFFFFF4u)
            WriteULong(out, 8, 0xFFFFFFF5u, out[6] & 1);
        if (reply.patchId && out.size() >= 16 && out.compare(0, 4, "GIOP") == 0 &&
            (out[7] == kReply || out[7] == kLocateReply))
            WriteULong(out, 12, id, out[6] & 1);
        if (!SendAll(fd, out)) return false;
    }
}

void ReplayPeer::Serve() {
    std::map<int, std::string> connections;
    while (!stop_) {
        std::vector<pollfd> fds;
        for (const int listener : listeners_) fds.push_back({listener, POLLIN, 0});
        for (const auto& c : connections) fds.push_back({c.first, POLLIN, 0});
        if (poll(fds.data(), fds.size(), 20) <= 0) continue;
        for (std::size_t i = 0; i < listeners_.size(); ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            const int fd = accept4(listeners_[i], nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) connections[fd];
        }
        for (std::size_t i = listeners_.size(); i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char data[65536];
            const ssize_t n = recv(fds[i].fd, data, sizeof data, 0);
            std::string& buffer = connections[fds[i].fd];
            if (n > 0) buffer.append(data, static_cast<std::size_t>(n));
            if (n <= 0 || !Answer(fds[i].fd, buffer)) {
                close(fds[i].fd);
                connections.erase(fds[i].fd);
            }
        }
    }
    for (const auto& c : connections) close(c.first);
}

}  // namespace fuzzreplies
