#include "utility/user_account.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace CVLib {
namespace system {

bool LookUpUserAccount(uid_t uid, UserAccount& account) {
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 1024);
    // Entries with long fields need a larger buffer than the suggestion;
    // the cap keeps a broken database from growing it without end.
    constexpr size_t kMaxBuffer = 1 << 20;
    for (;;) {
        passwd entry;
        passwd* result = nullptr;
        const int error = getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &result);
        if (error == ERANGE && buffer.size() < kMaxBuffer) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || result == nullptr) return false;
        account.name = entry.pw_name ? entry.pw_name : "";
        account.home = entry.pw_dir ? entry.pw_dir : "";
        return true;
    }
}

}  // namespace system
}  // namespace CVLib
