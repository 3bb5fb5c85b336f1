// What the benchmark measured, and the tables it gives of it.
#pragma once

#include <string>
#include <vector>

namespace bench {

// One command at one size, as cvcc and the baseline run it.
struct Case {
    std::string command;  // as shown in the table
    long n;
    std::string scenario;
    std::vector<std::string> cvccArgs;
    std::vector<std::string> baselineArgs;
    double fixedMs;       // the system's own waits inside one cvcc run
    bool restoreEachRun;  // the run changes the peers: start bnsim afresh before each
    int runs = 0;         // at most this many runs each; 0: the benchmark's --repeats
    // The command of the same N this one is held against ("--List" for the
    // JSON mode's listing and for the metrics), or none.
    std::string against = "";
};

// The medians of a case's runs.
struct Row {
    Case c;
    double driverRssMiB;
    double waitMs;
    double wallMs, clientMs, baselineMs, peakRssMiB, baselineRssMiB, firstRequestMs,
        baselineFirstRequestMs;
    long simulatorCalls, namingCalls;
    bool sameCalls;
    bool ok;
};

// The columns that answer how close cvcc comes to the baseline: command, N,
// client ms (cvcc's wall time less the system's own waits), baseline ms,
// their ratio and cvcc's peak RSS; then, for a row held against another
// command (Case::against), its client time and peak RSS against that
// command's at the same N.
std::string CompactTable(const std::vector<Row>& rows);
// Every column, with the peers' own cost per call (simUs, nsUs).
std::string Table(const std::vector<Row>& rows, double simUs, double nsUs, int repeats);

}  // namespace bench
