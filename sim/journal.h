// The journal: one JSON object a line for every request the simulator
// receives, appended and flushed (one write(2) a line) as the request
// arrives, so a test can read what the client did even after a crash.
//
//   {"seq":3,"object":"task:7","operation":"Start","oneway":true,"args":{}}
//
// Servants write their own requests, with arguments. Requests that no servant
// sees (those the ORB answers itself, such as _is_a and _non_existent, and
// those to objects that no longer exist) are written by a server-side
// interceptor; `args` is then absent.
//
// Thread-safe. One journal a process: the interceptor reaches it through a
// global pointer set by Install and cleared by the destructor.
#pragma once

#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

namespace bnsim {

class Journal {
public:
    // Appends to `path` (created when missing); an empty path journals nothing.
    // Throws std::runtime_error when the file cannot be opened.
    explicit Journal(const std::string& path);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Registers the ORB interceptor that journals the requests no servant
    // sees. Call once, after ORB_init (omniORB refuses before) and before
    // any object is activated.
    void Install();

    void Write(const std::string& object, const std::string& operation, bool oneway,
               const nlohmann::json* args);

    // Objects whose servant journals its own requests.
    void SetLive(const std::string& object, bool live);
    bool IsLive(const std::string& object);

private:
    int fd_ = -1;
    std::mutex mutex_;
    long seq_ = 0;
    std::set<std::string> live_;
};

// Object ids of the simulator's objects are this prefix and the journal name,
// so the interceptor can name the target of a request from its object key.
extern const char kObjectIdPrefix[];

}  // namespace bnsim
