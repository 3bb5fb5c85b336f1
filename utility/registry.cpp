#include "utility/registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "utility/registry_format.h"
#include "utility/user_account.h"

namespace CVLib {
namespace system {
namespace {

// A registry file of a few values is a few hundred bytes; files over 4 MiB
// count as absent, so a runaway file is never read whole.
constexpr off_t kMaxFileBytes = 4 * 1024 * 1024;

// Reads the whole of a regular file of at most kMaxFileBytes. Anything else
// is false: a missing or unreadable file, a directory, a device or a FIFO
// (whose open or read could block), or a larger file.
bool ReadSmallFile(const std::string& path, std::string& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat info;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxFileBytes;
    if (ok) {
        // One byte more than the limit shows a file that grew since fstat.
        bytes.resize(static_cast<size_t>(kMaxFileBytes) + 1);
        size_t filled = 0;
        for (;;) {
            const ssize_t got = ::read(fd, &bytes[filled], bytes.size() - filled);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                ok = got == 0;
                break;
            }
            filled += static_cast<size_t>(got);
            if (filled == bytes.size()) {
                ok = false;
                break;
            }
        }
        bytes.resize(ok ? filled : 0);
    }
    ::close(fd);
    return ok;
}

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return home;
    UserAccount account;
    return LookUpUserAccount(::geteuid(), account) ? account.home : std::string();
}

}  // namespace

CRegistry::CRegistry(HKEY root) : root_(root) {}

CRegistry::~CRegistry() {
    Close();
}

bool CRegistry::Open(const std::wstring& path) {
    Close();
    if (root_ != HKEY_CURRENT_USER) return false;
    const std::string file = UserFilePath();
    std::string bytes;
    if (file.empty() || !ReadSmallFile(file, bytes)) return false;
    open_ = ParseRegistryKey(bytes, path, values_);
    if (!open_) values_.clear();
    return open_;
}

bool CRegistry::Read(const std::wstring& name, std::wstring& value) {
    if (!open_) return false;
    const auto found = values_.find(FoldCase(name));
    if (found == values_.end()) return false;
    value = found->second;
    return true;
}

void CRegistry::Close() {
    open_ = false;
    values_.clear();
}

std::string CRegistry::UserFilePath() {
    // A relative XDG_CONFIG_HOME is not a valid setting and is ignored, as
    // for an empty one.
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (configHome != nullptr && configHome[0] == '/') {
        base = configHome;
    } else {
        const std::string home = HomeDirectory();
        if (home.empty()) return std::string();
        base = home + "/.config";
    }
    return base + "/cvcc/registry.reg";
}

}  // namespace system
}  // namespace CVLib
