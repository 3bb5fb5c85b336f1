// The account database entry (passwd) of a user, looked up by uid. Used for
// the login name and, when $HOME is unset, the home directory.
#pragma once

#include <sys/types.h>

#include <string>

namespace CVLib {
namespace system {

struct UserAccount {
    std::string name;
    std::string home;
};

// False when uid has no entry or the database cannot be read; account is
// then unchanged. Thread-safe (getpwuid_r).
bool LookUpUserAccount(uid_t uid, UserAccount& account);

}  // namespace system
}  // namespace CVLib
