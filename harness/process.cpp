#include "harness/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace harness {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> BuildEnvironment(const EnvChanges& changes) {
    std::map<std::string, std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const auto eq = entry.find('=');
        if (eq != std::string::npos) env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [name, value] : changes) {
        if (value)
            env[name] = *value;
        else
            env.erase(name);
    }
    std::vector<std::string> result;
    for (const auto& [name, value] : env) result.push_back(name + "=" + value);
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> ptrs;
    for (auto& t : texts) ptrs.push_back(t.data());
    ptrs.push_back(nullptr);
    return ptrs;
}

// Forks a child in its own process group with stdout and stderr on the given
// descriptors (-1 keeps the parent's) and execs argv. Throws when the fork fails.
pid_t Spawn(const std::vector<std::string>& argv, const EnvChanges& env, int outFd, int errFd,
            int inFd) {
    std::vector<std::string> args = argv;
    std::vector<std::string> envTexts = BuildEnvironment(env);
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(envTexts);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
        setpgid(0, 0);
        // A test process killed at its timeout takes its services with it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (inFd >= 0) dup2(inFd, STDIN_FILENO);
        if (outFd >= 0) dup2(outFd, STDOUT_FILENO);
        if (errFd >= 0) dup2(errFd, STDERR_FILENO);
        signal(SIGPIPE, SIG_DFL);
        execve(argp[0], argp.data(), envp.data());
        const std::string msg = std::string("exec ") + argp[0] + ": " + std::strerror(errno) + "\n";
        (void)!write(STDERR_FILENO, msg.data(), msg.size());
        _exit(127);
    }
    setpgid(pid, pid);
    return pid;
}

void DecodeStatus(int status, RunResult& result) {
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.termSignal = WTERMSIG(status);
}

}  // namespace

RunResult Run(const RunOptions& options) {
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const auto start = Clock::now();
    const pid_t pid = Spawn(options.argv, options.env, outPipe[1], errPipe[1], devNull);
    if (options.started) options.started(pid);
    close(outPipe[1]);
    close(errPipe[1]);
    close(devNull);

    RunResult result;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    const auto deadline = start + options.timeout;
    while (open > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            SignalGroup(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 1000))) < 0 &&
            errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[65536];
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // Whatever the program left running in its group goes with it.
    result.leftBehind = SignalGroup(pid, 0);
    SignalGroup(pid, SIGKILL);
    DecodeStatus(status, result);
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    return result;
}

Service::Service(const std::vector<std::string>& argv, const EnvChanges& env,
                 const std::string& logPath) {
    int logFd = -1;
    if (!logPath.empty())
        logFd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_ = Spawn(argv, env, logFd, logFd, devNull);
    if (logFd >= 0) close(logFd);
    close(devNull);
}

Service::~Service() {
    Stop();
}

Service::Service(Service&& other) noexcept : pid_(other.pid_), status_(other.status_) {
    other.pid_ = -1;
}

Service& Service::operator=(Service&& other) noexcept {
    if (this != &other) {
        Stop();
        pid_ = other.pid_;
        status_ = other.status_;
        other.pid_ = -1;
    }
    return *this;
}

bool Service::Running() {
    if (pid_ < 0) return false;
    int status;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
        status_ = status;
        SignalGroup(pid_, SIGKILL);
        pid_ = -1;
        return false;
    }
    return true;
}

int Service::Stop(std::chrono::milliseconds grace) {
    if (pid_ < 0) return status_;
    SignalGroup(pid_, SIGTERM);
    const auto deadline = Clock::now() + grace;
    int status = 0;
    pid_t r;
    while ((r = waitpid(pid_, &status, WNOHANG)) == 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (r != pid_) {
        SignalGroup(pid_, SIGKILL);
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    SignalGroup(pid_, SIGKILL);  // anything the service left behind in its group
    status_ = status;
    pid_ = -1;
    return status_;
}

void Service::Kill() {
    if (pid_ < 0) return;
    SignalGroup(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = status;
    pid_ = -1;
}

namespace {

// Sends the signal through a descriptor of the process, opened before the
// process is known to be a child: once that is so, the signal reaches that
// process and no other, even if it is reaped meanwhile. Answers whether it
// was sent.
bool SendToChild(pid_t pid, int signal) noexcept {
    if (pid <= 0) return false;
    // By system call: Debian's glibc 2.36 declares its wrappers without C
    // linkage for C++.
    const int process = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (process < 0) return false;
    siginfo_t info{};
    // Only a child of this process can be waited for; WNOWAIT leaves one that
    // ended for its owner to reap.
    const bool child =
        waitid(P_PIDFD, static_cast<id_t>(process), &info, WEXITED | WNOHANG | WNOWAIT) == 0;
    const bool sent = child && syscall(SYS_pidfd_send_signal, process, signal, nullptr, 0) == 0;
    close(process);
    return sent;
}

}  // namespace

void SignalChild(pid_t pid, int signal) {
    if (!SendToChild(pid, signal))
        throw std::logic_error("no signal for process " + std::to_string(pid) +
                               ": it is no child of this process, or it was reaped");
}

bool SignalGroup(pid_t group, int signal) {
    if (group <= 1 || group == getpgrp()) return false;
    return kill(-group, signal) == 0;
}

ScopedStop::ScopedStop(pid_t child) : child_(child) {
    SignalChild(child_, SIGSTOP);
}

ScopedStop::~ScopedStop() {
    SendToChild(child_, SIGCONT);
}

}  // namespace harness
