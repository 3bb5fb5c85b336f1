// The crash reporter of StartExceptionHandler.
//
// A report is written from inside a signal handler. Its first line uses only
// async-signal-safe calls; the stack trace is symbolised with calls that are
// not, which is the price of a readable trace. Should that symbolisation
// fault, the fault ends the process at once; should it hang (a fault inside
// malloc may leave a lock held), an alarm ends the process with the original
// signal.
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <boost/stacktrace.hpp>
#include <cerrno>
#include <cstring>
#include <exception>
#include <string>

#include "utility/strings.h"
#include "utility/system.h"

namespace CVLib {
namespace system {
namespace {

struct FatalSignal {
    int number;
    const char* name;
    const char* description;
};

constexpr FatalSignal kFatalSignals[] = {
    {SIGSEGV, "SIGSEGV", "Segmentation fault"},
    {SIGBUS, "SIGBUS", "Bus error"},
    {SIGFPE, "SIGFPE", "Floating point exception"},
    {SIGILL, "SIGILL", "Illegal instruction"},
    {SIGABRT, "SIGABRT", "Aborted"},
};

constexpr unsigned kTraceTimeoutSeconds = 10;

// Stored narrow when the handler starts, so the first line needs no allocation.
char g_appName[256];
// The thread that writes the report, 0 while none does.
std::atomic<pid_t> g_reportingThread{0};
volatile sig_atomic_t g_fatalSignal = 0;
// A stack overflow leaves no stack to run the handler on; this one is the
// main thread's (the thread that called StartExceptionHandler). Large
// enough for the symbolisation of the trace.
alignas(16) char g_alternateStack[256 * 1024];

void WriteText(const char* text) {
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, text, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text += written;
        left -= static_cast<size_t>(written);
    }
}

[[noreturn]] void EndBySignal(int signal) {
    struct sigaction defaultAction = {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    ::sigaction(signal, &defaultAction, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);  // not reached: the default action of every signal here ends the process
}

void OnTraceTimeout(int) {
    EndBySignal(g_fatalSignal);
}

// Makes the calling thread the reporter for signal. A fault of the reporter
// itself ends the process at once; another thread that faults meanwhile
// waits for the reporter to end the process.
void ClaimReport(int signal) {
    const auto self = static_cast<pid_t>(::syscall(SYS_gettid));
    pid_t none = 0;
    if (!g_reportingThread.compare_exchange_strong(none, self)) {
        if (none == self) EndBySignal(signal);
        for (;;) ::pause();
    }
    g_fatalSignal = signal;
}

void WriteStackTrace() {
    struct sigaction onAlarm = {};
    onAlarm.sa_handler = OnTraceTimeout;
    sigemptyset(&onAlarm.sa_mask);
    ::sigaction(SIGALRM, &onAlarm, nullptr);
    ::alarm(kTraceTimeoutSeconds);
    const std::string trace = boost::stacktrace::to_string(boost::stacktrace::stacktrace());
    WriteText(trace.c_str());
}

void OnFatalSignal(int signal) {
    ClaimReport(signal);
    const FatalSignal* known = nullptr;
    for (const FatalSignal& fatal : kFatalSignals) {
        if (fatal.number == signal) known = &fatal;
    }
    WriteText(g_appName);
    WriteText(": fatal signal ");
    WriteText(known ? known->name : "?");
    WriteText(" (");
    WriteText(known ? known->description : "unknown");
    WriteText(")\n");
    WriteStackTrace();
    EndBySignal(signal);
}

void OnTerminate() {
    ClaimReport(SIGABRT);
    WriteText(g_appName);
    WriteText(": terminate called (");
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            WriteText("uncaught exception: ");
            WriteText(e.what());
        } catch (...) {
            WriteText("uncaught exception of unknown type");
        }
    } else {
        WriteText("no active exception");
    }
    WriteText(")\n");
    WriteStackTrace();
    // SIGABRT's default action, not abort() through our handler: one report.
    EndBySignal(SIGABRT);
}

}  // namespace

void StartExceptionHandler(const std::wstring& appName) {
    const std::string name = strings::toAstr(appName);
    const size_t length = std::min(name.size(), sizeof g_appName - 1);
    std::memcpy(g_appName, name.data(), length);
    g_appName[length] = '\0';

    stack_t alternate = {};
    alternate.ss_sp = g_alternateStack;
    alternate.ss_size = sizeof g_alternateStack;
    ::sigaltstack(&alternate, nullptr);

    struct sigaction action = {};
    action.sa_handler = OnFatalSignal;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const FatalSignal& fatal : kFatalSignals) ::sigaction(fatal.number, &action, nullptr);
    std::set_terminate(OnTerminate);
}

}  // namespace system
}  // namespace CVLib
