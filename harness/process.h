// Running programs from tests: one-shot runs that collect their output, and
// long-running services that are stopped by process id when their owner goes
// (also when a test fails). Every child runs in a process group of its own,
// so whatever it starts is stopped with it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace harness {

// Environment changes on top of the test's own environment: a value sets the
// variable, nullopt removes it.
using EnvChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

struct RunOptions {
    std::vector<std::string> argv;  // argv[0] is the program's path
    EnvChanges env;
    std::chrono::milliseconds timeout = std::chrono::minutes(5);
    // Called with the child's process id (also its group id) once it runs,
    // so another thread can end a run that is left behind.
    std::function<void(pid_t)> started = nullptr;
};

struct RunResult {
    std::string out;
    std::string err;
    int exitCode = -1;   // -1 when the process did not exit normally
    int termSignal = 0;  // the signal that ended it, or 0
    bool timedOut = false;
    // Something of the program's process group was still running when the
    // program itself had ended (it is killed then, with the group).
    bool leftBehind = false;
    std::chrono::milliseconds elapsed{0};
};

// Runs the program to its end (or kills its group at the timeout) and
// collects stdout and stderr through pipes.
RunResult Run(const RunOptions& options);

// A service that runs until Stop or the end of this object's life.
class Service {
public:
    Service() = default;
    Service(const std::vector<std::string>& argv, const EnvChanges& env = {},
            const std::string& logPath = "");
    ~Service();
    Service(Service&& other) noexcept;
    Service& operator=(Service&& other) noexcept;
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    pid_t pid() const { return pid_; }
    bool Running();
    // SIGTERM to the group, up to `grace` for it to end, then SIGKILL.
    // Answers the wait status, or -1 when nothing ran.
    int Stop(std::chrono::milliseconds grace = std::chrono::seconds(5));
    // SIGKILL at once, as a crash would end it.
    void Kill();

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// Signals go out through these alone. kill(-1, ...) as root reaches every
// process of the machine, and an id that was reaped may name another process
// by now: so a signal goes only to a process that this one started and has
// not reaped yet, or to the process group that such a child leads.

// Sends `signal` to `pid`, a child of this process not yet reaped (one that
// ended and waits to be reaped still counts, and takes no harm). Throws
// std::logic_error, sending nothing, for any other id: 0 or less, a process
// that is not this one's child, a child already reaped.
void SignalChild(pid_t pid, int signal);

// Sends `signal` to the process group `group` that a child leads (each child
// runs in a group of its own), also once the child is reaped, to reach what
// it left behind. Answers whether any process received it; signal 0 only
// asks. Sends nothing to a group id of 1 or less, or to this process's own.
bool SignalGroup(pid_t group, int signal);

// A child stopped (SIGSTOP) for this object's life and continued (SIGCONT)
// when it goes, also when an exception unwinds past it. Throws as
// SignalChild. A child that was reaped meanwhile is left alone.
class ScopedStop {
public:
    explicit ScopedStop(pid_t child);
    ScopedStop(const ScopedStop&) = delete;
    ScopedStop& operator=(const ScopedStop&) = delete;
    ~ScopedStop();

private:
    pid_t child_;
};

}  // namespace harness
