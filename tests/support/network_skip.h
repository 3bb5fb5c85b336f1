// A case that cannot have a network of its own (no unshare, not root, the
// port it needs taken) skips, and ctest counts a skip as a pass. In CI
// (CI=true) it fails instead: a machine that lost unshare must not pass
// without running the cases. Use it where GTEST_SKIP would stand, in a
// function that returns void.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace support {

inline bool InCi() {
    const char* ci = std::getenv("CI");
    return ci && std::strcmp(ci, "true") == 0;
}

}  // namespace support

#define SKIP_WITHOUT_NETWORK(reason)                                                           \
    do {                                                                                       \
        if (support::InCi()) GTEST_FAIL() << "CI=true, and the case cannot run: " << (reason); \
        GTEST_SKIP() << (reason);                                                              \
    } while (0)
