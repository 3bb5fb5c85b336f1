// GIOP framing for the test peers, which speak the protocol without an ORB:
// a message's length from its header, the fields of the requests a client
// sends, and the replies a peer writes. Only GIOP 1.2, the version the client
// speaks; what this builds is little-endian, what it reads is in the byte
// order the message's flags give.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace harness {

enum class GiopType : std::uint8_t {
    Request = 0,
    Reply = 1,
    CancelRequest = 2,
    LocateRequest = 3,
    LocateReply = 4,
    CloseConnection = 5,
    MessageError = 6,
    Fragment = 7,
};

// The magic, the version, the flags, the type and the body's size.
constexpr std::size_t kGiopHeaderSize = 12;

// The unsigned long at `at` of a message, in the message's byte order, and
// its replacement. The message holds at least its header's first eight bytes
// and the four at `at`.
std::uint32_t GiopULong(const std::string& message, std::size_t at);
void SetGiopULong(std::string& message, std::size_t at, std::uint32_t value);

// The length of the GIOP message at the start of `bytes`, its header
// included; 0 while the header is incomplete, npos when it is no GIOP header.
std::size_t GiopMessageLength(const std::string& bytes);

// A Request or a LocateRequest of GIOP 1.2 as it travelled.
struct GiopRequest {
    GiopType type = GiopType::Request;
    std::uint32_t id = 0;
    bool expectsReply = true;  // a oneway Request expects none
    std::string objectKey;     // empty when addressed by a profile or a reference
    std::string operation;     // empty for a LocateRequest
    std::string args;          // the body after the service contexts, as sent
};

// The request that the whole message is; nullopt for any other message, and
// for a request of another version.
std::optional<GiopRequest> ParseGiopRequest(const std::string& message);

// A Reply to request `id` with a reply status (0: no exception, 2: a system
// exception) and the reply's body, which starts 8-aligned.
std::string GiopReply(std::uint32_t id, std::uint32_t status, const std::string& body);
// A LocateReply to request `id` with a locate status (1: the object is here).
std::string GiopLocateReply(std::uint32_t id, std::uint32_t status);

}  // namespace harness
