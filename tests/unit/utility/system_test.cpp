#include "utility/system.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "utility/strings.h"

namespace CVLib {
namespace system {
namespace {

std::wstring HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    EXPECT_EQ(::gethostname(name, sizeof name - 1), 0);
    return strings::toWstr(name);
}

TEST(SystemTest, ComputerNetworkNameIsTheHostName) {
    const std::wstring name = GetComputerNetworkName();
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name, HostName());
}

TEST(SystemTest, UserAndDomainIsHostBackslashLoginName) {
    const passwd* account = ::getpwuid(::geteuid());
    std::string user;
    if (account) {
        user = account->pw_name;
    } else if (const char* fromEnvironment = std::getenv("USER")) {
        user = fromEnvironment;
    } else {
        user = std::to_string(::geteuid());
    }
    EXPECT_EQ(GetCurrentUserAndDomain(), HostName() + L"\\" + strings::toWstr(user));
}

}  // namespace
}  // namespace system
}  // namespace CVLib
