#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <exception>
#include <functional>
#include <stdexcept>

#include "utility/system.h"

namespace CVLib {
namespace system {
namespace {

const char kApp[] = "Console client: ";

// Each case ends a child process; a core file of it is of no use.
void StartWithoutCoreFile() {
    const rlimit noCore = {0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    StartExceptionHandler(L"Console client");
}

// A depth Overflow never reaches; volatile, so the compiler cannot know.
volatile int g_unreachableDepth = -1;

// True when stderr holds one report: a terminate ends in SIGABRT's default
// action, not in a second report of the signal.
bool HoldsOneReport(const std::string& stderrText) {
    const size_t first = stderrText.find(kApp);
    return first != std::string::npos && stderrText.find(kApp, first + 1) == std::string::npos;
}

// Recurses until the stack runs out; the frame's buffer and the work after
// the call keep the compiler from turning it into a loop.
int Overflow(int depth) {
    if (depth == g_unreachableDepth) return 0;
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    return Overflow(depth + 1) + frame[0];
}

TEST(ExceptionHandlerDeathTest, FaultsAreReportedAndEndTheProcessBySignal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Row {
        const char* label;
        std::function<void()> fault;
        int signal;
        const char* report;  // a regular expression for stderr
    };
    // clang-format off
    const Row rows[] = {
        {"raised SIGSEGV", [] { ::raise(SIGSEGV); }, SIGSEGV, "^Console client: fatal signal SIGSEGV \\(Segmentation fault\\)\n"},
        {"raised SIGFPE", [] { ::raise(SIGFPE); }, SIGFPE, "^Console client: fatal signal SIGFPE \\(Floating point exception\\)\n"},
        {"abort", [] { std::abort(); }, SIGABRT, "^Console client: fatal signal SIGABRT \\(Aborted\\)\n"},
        {"terminate with std::exception", [] { try { throw std::runtime_error("no coordinator"); } catch (...) { std::terminate(); } },
         SIGABRT, "^Console client: terminate called \\(uncaught exception: no coordinator\\)\n"},
        {"terminate with another exception", [] { try { throw 7; } catch (...) { std::terminate(); } },
         SIGABRT, "^Console client: terminate called \\(uncaught exception of unknown type\\)\n"},
        {"terminate without exception", [] { std::terminate(); }, SIGABRT, "^Console client: terminate called \\(no active exception\\)\n"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EXIT(
            {
                StartWithoutCoreFile();
                row.fault();
            },
            testing::KilledBySignal(row.signal),
            testing::AllOf(testing::ContainsRegex(row.report), testing::Truly(HoldsOneReport)));
    }
}

TEST(ExceptionHandlerDeathTest, StackOverflowIsReported) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reports a stack overflow itself";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            StartWithoutCoreFile();
            Overflow(0);
        },
        testing::KilledBySignal(SIGSEGV), "^Console client: fatal signal SIGSEGV");
}

}  // namespace
}  // namespace system
}  // namespace CVLib
