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
#include <sstream>
#include <stdexcept>

#include "tests/harness/backup_network.h"

namespace bench {
namespace {

double Seconds(const timespec& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

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

double ResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    return 0;
}

}  // namespace

Sample Measure(const std::vector<std::string>& argv, const std::string& home,
               const std::string& outDir, const std::string& name, const Peers& peers) {
    const std::uintmax_t journalStart = FileSize(peers.journalPath);
    const std::uintmax_t traceStart = FileSize(peers.namingTrace);
    const std::string out = outDir + "/" + name + ".out";
    const std::string err = outDir + "/" + name + ".err";
    const std::string homeVariable = "HOME=" + home;

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    malloc_trim(0);
    const double driverRss = ResidentMiB();
    timespec startReal{}, start{}, end{};
    clock_gettime(CLOCK_REALTIME, &startReal);
    clock_gettime(CLOCK_MONOTONIC, &start);
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
    clock_gettime(CLOCK_MONOTONIC, &end);

    Sample sample;
    sample.wallMs = (Seconds(end) - Seconds(start)) * 1e3;
    sample.peakRssMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
    sample.driverRssMiB = driverRss;
    sample.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;

    for (const nlohmann::json& entry :
         harness::ParseJournal(ReadFrom(peers.journalPath, journalStart))) {
        sample.simulatorOperations.push_back(entry.value("operation", ""));
    }
    sample.simulatorCalls = static_cast<long>(sample.simulatorOperations.size());

    std::istringstream trace(ReadFrom(peers.namingTrace, traceStart));
    std::string line;
    while (std::getline(trace, line)) {
        if (line.find("Dispatching remote call") == std::string::npos) continue;
        if (sample.namingCalls++ == 0) {
            double at = 0;
            if (ParseTraceTime(line, at)) sample.firstRequestMs = (at - Seconds(startReal)) * 1e3;
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
