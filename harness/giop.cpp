#include "harness/giop.h"

#include <algorithm>

namespace harness {
namespace {

// Flags bit 0: little-endian.
bool Little(const std::string& message) {
    return message[6] & 1;
}

// A position `at` of a body rounded up to `to`, as alignment counts from the
// message's start.
std::size_t Aligned(std::size_t at, std::size_t to) {
    return (at + kGiopHeaderSize + to - 1) / to * to - kGiopHeaderSize;
}

std::string Message(GiopType type, const std::string& body) {
    std::string message = {'G', 'I', 'O', 'P', 1, 2, 1, static_cast<char>(type), 0, 0, 0, 0};
    SetGiopULong(message, 8, static_cast<std::uint32_t>(body.size()));
    return message + body;
}

std::string ULong(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    return bytes;
}

}  // namespace

std::uint32_t GiopULong(const std::string& message, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto byte = static_cast<std::uint8_t>(message[at + i]);
        value |= static_cast<std::uint32_t>(byte) << (8 * (Little(message) ? i : 3 - i));
    }
    return value;
}

void SetGiopULong(std::string& message, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        message[at + i] = static_cast<char>(value >> (8 * (Little(message) ? i : 3 - i)));
}

std::size_t GiopMessageLength(const std::string& bytes) {
    if (bytes.size() < kGiopHeaderSize) return 0;
    if (bytes.compare(0, 4, "GIOP") != 0) return std::string::npos;
    return kGiopHeaderSize + GiopULong(bytes, 8);
}

std::optional<GiopRequest> ParseGiopRequest(const std::string& message) {
    if (GiopMessageLength(message) != message.size() || message[4] != 1 || message[5] != 2)
        return std::nullopt;
    GiopRequest request;
    request.type = static_cast<GiopType>(message[7]);
    if (request.type != GiopType::Request && request.type != GiopType::LocateRequest)
        return std::nullopt;
    const std::string body = message.substr(kGiopHeaderSize);
    // Reads an unsigned long of the body at `at` and moves past it; false
    // when the body ends first.
    const auto next = [&](std::size_t& at, std::uint32_t& value) {
        at = Aligned(at, 4);
        if (at + 4 > body.size()) return false;
        value = GiopULong(message, kGiopHeaderSize + at);
        at += 4;
        return true;
    };
    // A sequence of octets, or a string with its nul, after its length.
    const auto octets = [&](std::size_t& at, std::string& into) {
        std::uint32_t length = 0;
        if (!next(at, length) || length > body.size() - at) return false;
        into = body.substr(at, length);
        at += length;
        return true;
    };
    std::size_t at = 0;
    if (!next(at, request.id)) return std::nullopt;
    // A Request's response flags and three reserved bytes; a LocateRequest
    // always expects its reply.
    if (request.type == GiopType::Request) {
        if (at + 4 > body.size()) return std::nullopt;
        request.expectsReply = (body[at] & 3) != 0;
        at += 4;
    }
    // The target, after a short: the object's key (0), one of its profiles
    // (1), or its whole reference and the profile chosen (2), which omniORB
    // sends once a peer asked for that addressing. Only a key is kept.
    if (at + 2 > body.size()) return std::nullopt;
    const char addressing = body[at + (Little(message) ? 0 : 1)];
    if (body[at + (Little(message) ? 1 : 0)] != 0) return std::nullopt;
    at += 2;
    const auto profile = [&](std::size_t& from) {
        std::uint32_t tag = 0;
        std::string data;
        return next(from, tag) && octets(from, data);
    };
    bool addressed = false;
    if (addressing == 0) addressed = octets(at, request.objectKey);
    if (addressing == 1) addressed = profile(at);
    if (addressing == 2) {
        std::uint32_t chosen = 0, profiles = 0;
        std::string typeId;
        addressed = next(at, chosen) && octets(at, typeId) && next(at, profiles);
        for (std::uint32_t i = 0; addressed && i < profiles; ++i) addressed = profile(at);
    }
    if (!addressed) return std::nullopt;
    if (request.type == GiopType::LocateRequest) return request;
    std::uint32_t contexts = 0;
    if (!octets(at, request.operation) || request.operation.empty() || !next(at, contexts))
        return std::nullopt;
    request.operation.pop_back();  // the nul
    for (std::uint32_t i = 0; i < contexts; ++i) {
        std::uint32_t contextId = 0;
        std::string data;
        if (!next(at, contextId) || !octets(at, data)) return std::nullopt;
    }
    request.args = body.substr(std::min(Aligned(at, 8), body.size()));
    return request;
}

std::string GiopReply(std::uint32_t id, std::uint32_t status, const std::string& body) {
    // The id, the status and no service contexts bring the body to 24, which
    // is 8-aligned.
    return Message(GiopType::Reply, ULong(id) + ULong(status) + ULong(0) + body);
}

std::string GiopLocateReply(std::uint32_t id, std::uint32_t status) {
    return Message(GiopType::LocateReply, ULong(id) + ULong(status));
}

}  // namespace harness
