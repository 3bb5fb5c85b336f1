#include "bench/report.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace bench {
namespace {

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

std::string CompactTable(const std::vector<Row>& rows) {
    std::ostringstream t;
    t << "| command | N | client ms | baseline ms | ratio | peak RSS MiB |\n"
         "|---|---:|---:|---:|---:|---:|\n";
    for (const Row& r : rows)
        t << "| " << r.c.command << " | " << r.c.n << " | " << Fixed(r.clientMs, 1) << " | "
          << Fixed(r.baselineMs, 1) << " | " << Fixed(r.clientMs / r.baselineMs, 2) << " | "
          << Fixed(r.peakRssMiB, 1) << (r.ok && r.sameCalls ? "" : " (see table.md)") << " |\n";
    // What another output of the same calls costs: a row against the row of
    // its reference command at the same N.
    for (const Row& other : rows) {
        if (other.c.against.empty()) continue;
        const auto reference = std::find_if(rows.begin(), rows.end(), [&other](const Row& r) {
            return r.c.command == other.c.against && r.c.n == other.c.n;
        });
        if (reference != rows.end())
            t << "\n"
              << other.c.command << " against " << reference->c.command << " at N=" << other.c.n
              << ", client ms: " << Fixed(other.clientMs / reference->clientMs, 2)
              << ", peak RSS: " << (other.peakRssMiB >= reference->peakRssMiB ? "+" : "")
              << Fixed(other.peakRssMiB - reference->peakRssMiB, 2) << " MiB\n";
    }
    return t.str();
}

std::string Table(const std::vector<Row>& rows, double simUs, double nsUs, int repeats) {
    double driverRss = 0;
    for (const Row& r : rows) driverRss = std::max(driverRss, r.driverRssMiB);
    std::ostringstream t;
    t << "| command | N | wall ms | baseline wall ms | wall ratio | fixed waits ms (measured of at "
         "most) | client ms (wall − waits) | client ratio | "
         "bnsim calls | omniNames calls | µs/call | peak RSS MiB | baseline RSS MiB | "
         "exec→1st request ms | baseline exec→1st ms | same calls |\n";
    t << "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|\n";
    for (const Row& r : rows) {
        const long calls = r.simulatorCalls + r.namingCalls;
        t << "| " << r.c.command << " | " << r.c.n << " | " << Fixed(r.wallMs, 1) << " | "
          << Fixed(r.baselineMs, 1) << " | " << Fixed(r.wallMs / r.baselineMs, 2) << " | "
          << Fixed(r.waitMs, 0) << " of " << Fixed(r.c.fixedMs, 0) << " | " << Fixed(r.clientMs, 1)
          << " | " << Fixed(r.clientMs / r.baselineMs, 2) << " | " << r.simulatorCalls << " | "
          << r.namingCalls << " | "
          << Fixed(calls ? r.clientMs * 1e3 / static_cast<double>(calls) : 0, 1) << " | "
          << Fixed(r.peakRssMiB, 1) << " | " << Fixed(r.baselineRssMiB, 1) << " | "
          << Fixed(r.firstRequestMs, 1) << " | " << Fixed(r.baselineFirstRequestMs, 1) << " | "
          << (r.sameCalls ? "yes" : "NO") << (r.ok ? "" : " (a run failed)") << " |\n";
    }
    t << "\nPeers' own cost per call (a client's loop of 5000 calls over the loopback): "
      << "bnsim `_get_version` " << Fixed(simUs, 1) << " µs, omniNames `resolve` " << Fixed(nsUs, 1)
      << " µs. Medians of " << repeats << " runs";
    for (const Row& r : rows)
        if (r.c.runs && r.c.runs < repeats)
            t << "; " << r.c.command << " N=" << r.c.n << ": " << r.c.runs << " run(s)";
    t << ". The driver's own resident size "
      << "when it forked, a floor under every peak RSS figure: at most " << Fixed(driverRss, 1)
      << " MiB.\n";
    return t.str();
}

}  // namespace bench
