// One measured run of a program, and the counts taken around it. The
// program runs under strace, which stops it only at the system calls named
// (seccomp-bpf filters the rest): its execve, its exit, and the waits of its
// main thread, so that the time from the exec to the exit, the fixed waits
// inside it (the ORB thread's timed wait at teardown, a futex wait on the
// monotonic clock; the polls' sleeps) and the time from the exec to the
// first request omniNames dispatched are all read on one clock. Also the
// child's peak resident memory (wait4's ru_maxrss, the larger of cvcc's and
// strace's) and the requests bnsim journaled and omniNames traced.
//
// ru_maxrss also counts the pages the forked child held before its exec, a
// copy of the driver's: the driver gives its free heap back to the system
// before each fork and records its own resident size then.
//
// Runs are sequential; nothing else talks to the peers meanwhile, so what a
// peer received between the start and the end of a run is the run's.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

struct Sample {
    double wallMs = 0;  // exec to exit
    double waitMs = 0;  // the main thread's fixed waits, measured
    double peakRssMiB = 0;
    double driverRssMiB = 0;  // the driver's own, when it forked: a floor under peakRssMiB
    long simulatorCalls = 0;
    long namingCalls = 0;
    double firstRequestMs = -1;  // -1: omniNames received nothing
    int exitCode = -1;
    // The journal's "operation"s, in order, hashed into one number.
    std::size_t simulatorOperations = 0;
};

struct Peers {
    std::string journalPath;  // bnsim's journal
    std::string namingTrace;  // omniNames' trace file (-ORBtraceInvocations, -ORBtraceTime)
};

// Runs argv (argv[0] a path) with HOME set to home, stdout and stderr to
// files under outDir (name.out, name.err), and measures it.
Sample Measure(const std::vector<std::string>& argv, const std::string& home,
               const std::string& outDir, const std::string& name, const Peers& peers);

// The median of the values (the lower middle one for an even count).
double Median(std::vector<double> values);

}  // namespace bench
