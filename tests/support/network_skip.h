// A case that cannot have a network of its own (no unshare, not root, its
// port taken) skips, which ctest counts as a pass; in CI (CI=true) it fails
// instead, so a machine that lost unshare cannot pass without running it.
// Stands where GTEST_SKIP would, in a function that returns void.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#define SKIP_WITHOUT_NETWORK(reason)                                             \
    do {                                                                         \
        if (const char* ci = std::getenv("CI"); ci && std::string(ci) == "true") \
            GTEST_FAIL() << "CI=true, and the case cannot run: " << (reason);    \
        GTEST_SKIP() << (reason);                                                \
    } while (0)
