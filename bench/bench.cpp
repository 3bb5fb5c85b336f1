// The benchmark: cvcc against bnsim and a real omniNames in a private
// network, beside the minimal client of baseline.cpp making the same remote
// calls against the same peers. Prints a compact table, and writes the full
// one (table.md), the figures (results.tsv) and a plot (bench.png, time against N on log axes) to
// the output folder.
//
//   cvcc_bench [--out DIR] [--repeats R] [--only "COMMAND N"]...
//
// --only runs the one case (e.g. "--List 1000"), for looking into a figure,
// and given again, those cases; the peers' cost is measured either way.
//
// Needs root (a network of its own, where the Coordinator is on 1755).
// Each figure is the median of R runs; cvcc and the baseline alternate.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "bench/report.h"
#include "bench/scenarios.h"
#include "harness/backup_network.h"

namespace {

using bench::Case;
using bench::Row;

std::vector<Case> Cases() {
    std::vector<Case> cases;
    // The system's own waits are at most the teardown's 3 s for the ORB
    // thread (nothing, once the thread has ended) and, for an executed task,
    // its 3000 ms poll.
    for (long n : {0L, 10L, 100L, 1000L, 10000L})
        cases.push_back({"--List", n, bench::TasksScenario(n), {"--List"}, {"list"}, 3000, false});
    // The JSON mode makes the same calls and writes a document instead of a
    // table; the metrics make them too, and hold every row until the end.
    cases.push_back({"--Json --List",
                     10000,
                     bench::TasksScenario(10000),
                     {"--Json", "--List"},
                     {"list"},
                     3000,
                     false,
                     0,
                     "--List"});
    for (long n : {1000L, 10000L})
        cases.push_back({"--Metrics",
                         n,
                         bench::TasksScenario(n),
                         {"--Metrics"},
                         {"list"},
                         3000,
                         false,
                         0,
                         "--List"});
    for (long n : {10L, 100L, 1000L})
        cases.push_back({"--NSClean",
                         n,
                         bench::WorkstationsScenario(n),
                         {"--NSClean"},
                         {"nsclean"},
                         3000,
                         true});
    // A log is read a line a call; cvcc keeps none of it. A million lines
    // take minutes a run, so that size runs once.
    for (long n : {10000L, 1000000L})
        cases.push_back({"--LogId",
                         n,
                         bench::LogScenario(n),
                         {"--LogId", "1"},
                         {"log", "1"},
                         3000,
                         false,
                         n > 10000 ? 1 : 0});
    cases.push_back({"--ExecuteId",
                     1,
                     bench::ExecuteScenario(),
                     {"--ExecuteId", "1"},
                     {"execute", "1"},
                     6000,
                     false});
    return cases;
}

harness::NetworkOptions Options(const std::string& scenario, const std::string& trace) {
    harness::NetworkOptions options;
    options.hostname = "cvcc-bench-host";
    options.port = 0;  // 1755 in the private network
    options.scenario = scenario;
    options.coordinatorOptions = {"-ORBtraceInvocations", "1",  "-ORBtraceTime", "1",
                                  "-ORBtraceFile",        trace};
    return options;
}

Row RunCase(const Case& c, int repeats, const std::string& out) {
    std::string label = c.command.substr(2);
    std::replace(label.begin(), label.end(), ' ', '_');
    const std::string dir = out + "/runs/" + label + "-" + std::to_string(c.n);
    std::filesystem::create_directories(dir);
    const std::string trace = dir + "/omniNames.trace";
    std::filesystem::remove(trace);
    harness::BackupNetwork network(Options(c.scenario, trace));
    if (!network.skipReason().empty())
        throw std::runtime_error("cannot run here: " + network.skipReason());
    const bench::Peers peers{network.journalPath(), trace};

    std::vector<std::string> cvcc = {CVCC_BINARY};
    cvcc.insert(cvcc.end(), c.cvccArgs.begin(), c.cvccArgs.end());
    std::vector<std::string> baseline = {BASELINE_BINARY};
    baseline.insert(baseline.end(), c.baselineArgs.begin(), c.baselineArgs.end());

    std::vector<double> wall, client, waits, base, rss, baseRss, first, baseFirst;
    double driverRss = 0;
    bench::Sample lastCvcc, lastBase;
    bool ok = true, same = true;
    const int runs = c.runs ? std::min(c.runs, repeats) : repeats;
    for (int r = 0; r < runs; ++r) {
        if (c.restoreEachRun && r > 0) network.StartSimulator();
        lastBase = bench::Measure(baseline, network.home(), dir, "baseline", peers);
        if (c.restoreEachRun) network.StartSimulator();
        lastCvcc = bench::Measure(cvcc, network.home(), dir, "cvcc", peers);
        ok = ok && lastBase.exitCode == 0 && lastCvcc.exitCode == 0;
        same = same && lastBase.simulatorOperations == lastCvcc.simulatorOperations &&
               lastBase.namingCalls == lastCvcc.namingCalls;
        driverRss = std::max({driverRss, lastBase.driverRssMiB, lastCvcc.driverRssMiB});
        wall.push_back(lastCvcc.wallMs);
        waits.push_back(lastCvcc.waitMs);
        client.push_back(lastCvcc.wallMs - lastCvcc.waitMs);
        base.push_back(lastBase.wallMs);
        rss.push_back(lastCvcc.peakRssMiB);
        baseRss.push_back(lastBase.peakRssMiB);
        first.push_back(lastCvcc.firstRequestMs);
        baseFirst.push_back(lastBase.firstRequestMs);
    }
    return {c,
            driverRss,
            bench::Median(waits),
            bench::Median(wall),
            bench::Median(client),
            bench::Median(base),
            bench::Median(rss),
            bench::Median(baseRss),
            bench::Median(first),
            bench::Median(baseFirst),
            lastCvcc.simulatorCalls,
            lastCvcc.namingCalls,
            same,
            ok};
}

// The peers' own cost per call, seen from a client over the loopback.
std::pair<double, double> PeerCost(int repeats, const std::string& out) {
    const std::string dir = out + "/runs/peers";
    std::filesystem::create_directories(dir);
    const std::string trace = dir + "/omniNames.trace";
    harness::BackupNetwork network(Options("{}", trace));
    const bench::Peers peers{network.journalPath(), trace};
    const long calls = 5000;
    std::vector<double> sim, ns;
    for (int r = 0; r < repeats; ++r) {
        for (const char* mode : {"probe-sim", "probe-ns"}) {
            bench::Measure({BASELINE_BINARY, mode, std::to_string(calls)}, network.home(), dir,
                           mode, peers);
            std::ifstream in(dir + "/" + mode + ".out");
            std::string line;
            std::getline(in, line);
            double seconds = 0;
            long done = 0;
            std::sscanf(line.c_str(), "calls=%ld seconds=%lf", &done, &seconds);
            (std::string(mode) == "probe-sim" ? sim : ns).push_back(seconds * 1e6 / calls);
        }
    }
    return {bench::Median(sim), bench::Median(ns)};
}

void WritePlot(const std::vector<Row>& rows, const std::string& out) {
    {
        std::ofstream tsv(out + "/results.tsv");
        tsv << "command\tn\twall_ms\tfixed_ms\tclient_ms\tbaseline_ms\tbnsim_calls\tomninames_calls"
               "\tpeak_rss_mib\tfirst_request_ms\n";
        for (const Row& r : rows)
            tsv << r.c.command << '\t' << r.c.n << '\t' << r.wallMs << '\t' << r.waitMs << '\t'
                << r.clientMs << '\t' << r.baselineMs << '\t' << r.simulatorCalls << '\t'
                << r.namingCalls << '\t' << r.peakRssMiB << '\t' << r.firstRequestMs << '\n';
    }
    for (const char* command : {"--List", "--NSClean"}) {
        std::ofstream data(out + "/" + std::string(command + 2) + ".dat");
        for (const Row& r : rows)
            if (r.c.command == command && r.c.n > 0)  // log axes: N = 0 has no place
                data << r.c.n << ' ' << r.clientMs << ' ' << r.baselineMs << '\n';
    }
    std::ofstream script(out + "/bench.gp");
    script << "set terminal png size 900,600\n"
              "set output '"
           << out << "/bench.png'\n"
           << "set logscale xy\n"
              "set xlabel 'N (tasks for --List, workstations for --NSClean)'\n"
              "set ylabel 'ms, fixed waits subtracted'\n"
              "set key top left\n"
              "set grid\n"
              "plot '"
           << out << "/List.dat' using 1:2 with linespoints title 'cvcc --List', '" << out
           << "/List.dat' using 1:3 with linespoints title 'baseline list', '" << out
           << "/NSClean.dat' using 1:2 with linespoints title 'cvcc --NSClean', '" << out
           << "/NSClean.dat' using 1:3 with linespoints title 'baseline nsclean'\n";
    script.close();
    const std::string command = "gnuplot '" + out + "/bench.gp'";
    if (std::system(command.c_str()) != 0)
        std::cerr << "cvcc_bench: gnuplot failed; install it with scripts/install-deps\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::string out = "build/bench";
    int repeats = 3;
    std::set<std::string> only;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--out")
            out = argv[i + 1];
        else if (option == "--repeats")
            repeats = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--only")
            only.insert(argv[i + 1]);
    }
    out = std::filesystem::absolute(out).string();
    std::filesystem::create_directories(out);
    // omniNames' trace times are read as UTC.
    setenv("TZ", "UTC", 1);
    try {
        std::vector<Row> rows;
        for (const Case& c : Cases()) {
            if (!only.empty() && !only.count(c.command + " " + std::to_string(c.n))) continue;
            std::cerr << "cvcc_bench: " << c.command << " N=" << c.n << "\n";
            rows.push_back(RunCase(c, repeats, out));
        }
        const auto [simUs, nsUs] = PeerCost(repeats, out);
        // The terminal gets the figures that answer "how close"; the file
        // gets every column.
        std::cout << bench::CompactTable(rows);
        std::ofstream(out + "/table.md") << bench::Table(rows, simUs, nsUs, repeats);
        WritePlot(rows, out);
        std::cerr << "cvcc_bench: the full table is in " << out
                  << "/table.md; results.tsv and bench.png beside it\n";
    } catch (const std::exception& e) {
        std::cerr << "cvcc_bench: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
