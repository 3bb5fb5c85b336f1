#include "bench/measure.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "harness/backup_network.h"
#include "harness/proc.h"

namespace bench {
namespace {

std::uintmax_t FileSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<std::uintmax_t>(in.tellg()) : 0;
}

std::string ReadFrom(const std::string& path, std::uintmax_t offset) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::string();
    in.seekg(static_cast<std::streamoff>(offset));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// omniORB's trace time, "YYYY-MM-DD HH:MM:SS.UUUUUU", in UTC (the driver
// sets TZ=UTC before it starts omniNames).
bool ParseTraceTime(const std::string& line, double& seconds) {
    const std::string::size_type paren = line.find(") ");
    if (paren == std::string::npos) return false;
    std::tm tm = {};
    const char* rest = strptime(line.c_str() + paren + 2, "%Y-%m-%d %H:%M:%S", &tm);
    if (rest == nullptr || *rest != '.') return false;
    seconds = static_cast<double>(timegm(&tm)) + std::strtod(rest, nullptr);
    return true;
}

// Fields of one strace -f -ttt -T line: the thread, the time, the rest.
struct TraceLine {
    long pid = 0;
    double at = 0;
    std::string rest;
};

bool ParseStraceLine(const std::string& line, TraceLine& parsed) {
    std::istringstream in(line);
    if (!(in >> parsed.pid >> parsed.at)) return false;
    std::getline(in, parsed.rest);
    return true;
}

// The "<seconds>" at the end of a finished call.
double CallSeconds(const std::string& rest) {
    const std::string::size_type open = rest.rfind('<');
    if (open == std::string::npos || rest.back() != '>') return 0;
    return std::strtod(rest.c_str() + open + 1, nullptr);
}

struct StraceTimes {
    double execAt = 0, exitAt = 0, waitSeconds = 0;
};

// The main thread is the one that made the execve. Its waits: futex waits
// on the monotonic clock (boost's timed wait; omniORB's own waits use the
// real-time clock) and sleeps.
StraceTimes ReadStrace(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    StraceTimes times;
    long main = 0;
    bool pending = false;
    TraceLine t;
    while (std::getline(in, line)) {
        if (!ParseStraceLine(line, t)) continue;
        if (main == 0 && t.rest.find("execve(") != std::string::npos) {
            main = t.pid;
            times.execAt = t.at;
            continue;
        }
        if (t.pid != main) continue;
        if (t.rest.find("+++ exited") != std::string::npos) times.exitAt = t.at;
        const bool isWait = (t.rest.find("futex(") != std::string::npos &&
                             t.rest.find("FUTEX_WAIT_BITSET_PRIVATE, ") != std::string::npos) ||
                            t.rest.find("nanosleep(") != std::string::npos;
        if (isWait && t.rest.find("<unfinished ...>") != std::string::npos) {
            pending = true;
        } else if (isWait) {
            times.waitSeconds += CallSeconds(t.rest);
        } else if (pending && t.rest.find("resumed>") != std::string::npos) {
            times.waitSeconds += CallSeconds(t.rest);
            pending = false;
        }
    }
    return times;
}

double ResidentMiB() {
    const std::optional<std::string> kiB = harness::StatusField(getpid(), "VmRSS");
    return kiB ? std::strtod(kiB->c_str(), nullptr) / 1024.0 : 0;
}

}  // namespace

Sample Measure(const std::vector<std::string>& argv, const std::string& home,
               const std::string& outDir, const std::string& name, const Peers& peers) {
    const std::uintmax_t journalStart = FileSize(peers.journalPath);
    const std::uintmax_t traceStart = FileSize(peers.namingTrace);
    const std::string out = outDir + "/" + name + ".out";
    const std::string err = outDir + "/" + name + ".err";
    const std::string homeVariable = "HOME=" + home;

    const std::string straceOut = outDir + "/" + name + ".strace";
    std::vector<std::string> traced = {"/usr/bin/strace",
                                       "--seccomp-bpf",
                                       "-f",
                                       "-ttt",
                                       "-T",
                                       "-e",
                                       "trace=execve,futex,nanosleep,clock_nanosleep",
                                       "-e",
                                       "signal=none",
                                       "-o",
                                       straceOut,
                                       "--"};
    traced.insert(traced.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (const std::string& a : traced) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    malloc_trim(0);
    const double driverRss = ResidentMiB();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (o < 0 || e < 0) _exit(127);
        dup2(o, STDOUT_FILENO);
        dup2(e, STDERR_FILENO);
        putenv(const_cast<char*>(homeVariable.c_str()));
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) throw std::runtime_error("wait4 failed");
    const StraceTimes times = ReadStrace(straceOut);

    Sample sample;
    sample.wallMs = (times.exitAt - times.execAt) * 1e3;
    sample.waitMs = times.waitSeconds * 1e3;
    sample.peakRssMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
    sample.driverRssMiB = driverRss;
    sample.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;

    // Read a line at a time: a run of a million requests is not held in
    // memory, which the next fork would count in its child's peak.
    std::ifstream journal(peers.journalPath, std::ios::binary);
    journal.seekg(static_cast<std::streamoff>(journalStart));
    for (std::string line; std::getline(journal, line);) {
        const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
        if (!entry.is_object()) continue;  // a line still being written
        const std::string operation = entry.value("operation", "");
        sample.simulatorOperations =
            sample.simulatorOperations * 1000003u + std::hash<std::string>()(operation);
        ++sample.simulatorCalls;
    }

    std::istringstream trace(ReadFrom(peers.namingTrace, traceStart));
    std::string line;
    while (std::getline(trace, line)) {
        if (line.find("Dispatching remote call") == std::string::npos) continue;
        if (sample.namingCalls++ == 0) {
            double at = 0;
            if (ParseTraceTime(line, at)) sample.firstRequestMs = (at - times.execAt) * 1e3;
        }
    }
    return sample;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[(values.size() - 1) / 2];
}

}  // namespace bench
