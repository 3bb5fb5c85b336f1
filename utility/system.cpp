#include "utility/system.h"

#include <limits.h>
#include <unistd.h>

#include <cstdlib>

#include "utility/strings.h"
#include "utility/user_account.h"

namespace CVLib {
namespace system {

std::wstring GetComputerNetworkName() {
    char name[HOST_NAME_MAX + 1] = {};
    // A name that fills the buffer may come back without its terminator.
    if (::gethostname(name, sizeof name - 1) != 0) return std::wstring();
    return strings::toWstr(name);
}

std::wstring GetCurrentUserAndDomain() {
    const uid_t uid = ::geteuid();
    std::string user;
    UserAccount account;
    if (LookUpUserAccount(uid, account) && !account.name.empty()) {
        user = account.name;
    } else if (const char* fromEnvironment = std::getenv("USER");
               fromEnvironment != nullptr && fromEnvironment[0] != '\0') {
        user = fromEnvironment;
    } else {
        user = std::to_string(uid);
    }
    return GetComputerNetworkName() + L"\\" + strings::toWstr(user);
}

}  // namespace system
}  // namespace CVLib
