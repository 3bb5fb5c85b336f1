#include "sim/journal.h"

#include <fcntl.h>
#include <omniORB4/CORBA.h>
#include <omniORB4/omniInterceptors.h>
// The interceptor's request information is the GIOP_S itself; its key and
// response flag are only reachable through omniORB's internal headers, which
// must come in this order.
// clang-format off
#include <omniORB4/internal/giopStrand.h>
#include <omniORB4/internal/giopStream.h>
#include <omniORB4/internal/GIOP_S.h>
// clang-format on
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace bnsim {

const char kObjectIdPrefix[] = "bnsim:";

namespace {

Journal* theJournal = nullptr;

// "_is_a", "_non_existent", "_interface"... but not the attribute accessors,
// which the servants answer.
bool AnsweredByTheOrb(const std::string& operation) {
    return !operation.empty() && operation[0] == '_' && operation.rfind("_get_", 0) != 0 &&
           operation.rfind("_set_", 0) != 0;
}

std::string ObjectNameFromKey(const CORBA::Octet* key, int size) {
    if (!key || size <= 0) return "unknown";
    const std::string text(reinterpret_cast<const char*>(key), static_cast<std::size_t>(size));
    const std::size_t at = text.find(kObjectIdPrefix);
    if (at == std::string::npos) return "unknown";
    return text.substr(at + sizeof(kObjectIdPrefix) - 1);
}

CORBA::Boolean OnReceiveRequest(omni::omniInterceptors::serverReceiveRequest_T::info_T& info) {
    Journal* journal = theJournal;
    if (!journal) return true;
    omni::GIOP_S& request = info.giop_s;
    const std::string operation = request.operation_name();
    const std::string object = ObjectNameFromKey(request.key(), request.keysize());
    if (AnsweredByTheOrb(operation) || !journal->IsLive(object))
        journal->Write(object, operation, !request.response_expected(), nullptr);
    return true;
}

}  // namespace

Journal::Journal(const std::string& path) {
    if (path.empty()) return;
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0)
        throw std::runtime_error("cannot open journal " + path + ": " + std::strerror(errno));
}

Journal::~Journal() {
    if (theJournal == this) theJournal = nullptr;
    if (fd_ >= 0) close(fd_);
}

void Journal::Install() {
    theJournal = this;
    omniORB::getInterceptors()->serverReceiveRequest.add(OnReceiveRequest);
}

void Journal::Write(const std::string& object, const std::string& operation, bool oneway,
                    const nlohmann::json* args) {
    std::lock_guard<std::mutex> lock(mutex_);
    nlohmann::json line = {
        {"seq", ++seq_}, {"object", object}, {"operation", operation}, {"oneway", oneway}};
    if (args) line["args"] = *args;
    if (fd_ < 0) return;
    // Invalid UTF-8 (a lone surrogate from the wire) is replaced, not fatal.
    const std::string text =
        line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

void Journal::SetLive(const std::string& object, bool live) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (live)
        live_.insert(object);
    else
        live_.erase(object);
}

bool Journal::IsLive(const std::string& object) {
    std::lock_guard<std::mutex> lock(mutex_);
    return live_.count(object) > 0;
}

}  // namespace bnsim
