#include "fuzz/giop_replies.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <optional>

#include "client/ConsoleApp.h"
#include "client/run.h"
#include "client/sweep.h"
#include "harness/giop.h"

namespace fuzzreplies {
namespace {

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
        {L"cvcc", L"--Metrics"},
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

ReplayPeer::ReplayPeer(const std::vector<int>& ports) {
    for (const int port : ports) listeners_.emplace_back(port);
    thread_ = std::thread([this] { Serve(); });
}

ReplayPeer::~ReplayPeer() {
    stop_ = true;
    thread_.join();
}

void ReplayPeer::Load(const std::vector<Chunk>& replies) {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_.assign(replies.begin(), replies.end());
}

bool ReplayPeer::Answer(int fd, std::string& buffer) {
    for (;;) {
        const std::size_t length = harness::GiopMessageLength(buffer);
        if (length == std::string::npos) return false;
        if (length == 0 || buffer.size() < length) return true;
        const std::string message = buffer.substr(0, length);
        buffer.erase(0, length);
        const std::optional<harness::GiopRequest> request = harness::ParseGiopRequest(message);
        if (!request || !request->expectsReply) continue;
        if (request->type == harness::GiopType::LocateRequest) {
            // Only the client's probe of a peer that hung up asks where an
            // object is, and it reads no more than the reply's header: the
            // peer says "here" at once, without spending the input's replies
            // (without it, each input that runs out of replies costs the
            // probe's whole second).
            if (!SendAll(fd, harness::GiopLocateReply(request->id, 1))) return false;
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
        const std::size_t declared = harness::GiopMessageLength(out);
        const bool giop = declared != 0 && declared != std::string::npos;
        if (giop && harness::GiopULong(out, 8) == 0xFFFFFFF4u)
            harness::SetGiopULong(out, 8, 0xFFFFFFF5u);
        const bool answers = giop && (out[7] == static_cast<char>(harness::GiopType::Reply) ||
                                      out[7] == static_cast<char>(harness::GiopType::LocateReply));
        if (reply.patchId && answers && out.size() >= 16)
            harness::SetGiopULong(out, 12, request->id);
        if (!SendAll(fd, out)) return false;
    }
}

void ReplayPeer::Serve() {
    std::map<int, std::string> connections;
    while (!stop_) {
        std::vector<pollfd> fds;
        for (const auto& listener : listeners_) fds.push_back({listener.fd(), POLLIN, 0});
        for (const auto& c : connections) fds.push_back({c.first, POLLIN, 0});
        if (poll(fds.data(), fds.size(), 20) <= 0) continue;
        for (std::size_t i = 0; i < listeners_.size(); ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            const int fd = listeners_[i].Accept(std::chrono::milliseconds(0));
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
