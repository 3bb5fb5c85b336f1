// The soak: thousands of runs of cvcc, each with a key drawn at random (with
// or without --Json) against bnsim and omniNames under a random fault or
// none, every run checked against the rules of invariants.cpp. A program, not
// a test (`make soak`, SOAK_RUNS runs).
//
//   cvcc_soak [--runs N] [--seed S] [--jobs J] [--out DIR] [--only I]
//
// Runs are seeded: run I of seed S is the same key and fault whenever it is
// made, and a run that breaks a rule prints the command that makes it
// again alone (--only I). Each of the J workers is a process with a network
// and host name of its own (root), its own Coordinator and bnsim; it runs
// its share of the runs in two phases: first those that leave the server as
// it was, against one bnsim and one omniNames that live as long as no fault
// ends them (their descriptors and threads are sampled after every run),
// then those that need a server of their own (a scripted fault, a key that
// changes the server), each against a fresh bnsim.
//
// Prints a table of the runs by key and fault, the violations, the median
// and the slowest run; writes every run to DIR/runs.jsonl and the table to
// DIR/table.md. Exits 1 when a rule was broken.
//
// This file is the driver: the options, the processes and the runs' files.
// A worker's runs are worker.h's, what is said of them report.h's.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include "soak/plan.h"
#include "soak/report.h"
#include "soak/worker.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using Clock = std::chrono::steady_clock;

struct Options {
    long runs = 1000;
    std::uint64_t seed = 1;
    int jobs = 8;
    std::string out = "build/soak";
    long only = -1;
    std::string program;
};

Options Parse(int argc, char** argv) {
    Options o;
    o.program = argv[0];
    if (const char* runs = std::getenv("SOAK_RUNS")) o.runs = std::atol(runs);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        const std::string value = argv[i + 1];
        if (flag == "--runs") o.runs = std::stol(value);
        else if (flag == "--seed") o.seed = std::stoull(value);
        else if (flag == "--jobs") o.jobs = std::stoi(value);
        else if (flag == "--out") o.out = value;
        else if (flag == "--only") o.only = std::stol(value);
        else throw std::runtime_error("unknown option " + flag);
    }
    if (o.runs < 1 || o.jobs < 1) throw std::runtime_error("--runs and --jobs take a positive number");
    return o;
}

// A worker's life: its share of the runs, in its two phases, a line each.
int WorkerMain(const Options& o, int w, const soak::Requests& requests, const std::string& banner,
               const std::vector<long>& indices) {
    std::vector<soak::Plan> plans;
    for (std::size_t k = static_cast<std::size_t>(w); k < indices.size(); k += static_cast<std::size_t>(o.jobs))
        plans.push_back(soak::MakePlan(o.seed, indices[k], requests));
    std::stable_partition(plans.begin(), plans.end(), [](const soak::Plan& p) { return !p.freshServer; });
    std::ofstream out(o.out + "/worker-" + std::to_string(w) + ".jsonl");
    soak::Worker worker("cvcc-soak-" + std::to_string(w));
    for (const auto& plan : plans) {
        nlohmann::json line;
        try {
            line = worker.Run(plan, banner);
        } catch (const std::exception& e) {
            line = {{"index", plan.index}, {"key", plan.key}, {"json", plan.json},
                    {"fault", soak::FaultName(plan.fault)}, {"exit", -1}, {"ms", 0},
                    {"violations", {std::string("the soak could not make the run: ") + e.what()}}};
        }
        out << line.dump() << std::endl;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    try {
        o = Parse(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "cvcc_soak: " << e.what()
                  << "\nusage: cvcc_soak [--runs N] [--seed S] [--jobs J] [--out DIR] [--only I]\n";
        return 2;
    }
    if (geteuid() != 0) {
        std::cerr << "cvcc_soak: needs root: each worker runs in a network of its own\n";
        return 2;
    }
    std::filesystem::remove_all(o.out);
    std::filesystem::create_directories(o.out);
    std::vector<long> indices;
    if (o.only >= 0) {
        indices.push_back(o.only);
        o.jobs = 1;
    } else {
        for (long i = 0; i < o.runs; ++i) indices.push_back(i);
        o.jobs = static_cast<int>(std::min<long>(o.jobs, o.runs));
    }

    // What each key asks of the network, learnt once from faultless runs in
    // a network of the probe's own; the workers inherit it.
    soak::Requests requests;
    std::string banner;
    const auto started = Clock::now();
    {
        const pid_t probe = fork();
        if (probe == 0) {
            // _exit skips destructors: the probe's network, and its folders
            // in /tmp, go before it.
            int status = 0;
            try {
                soak::Worker worker("cvcc-soak-probe");
                nlohmann::json found = {{"banner", worker.Banner()}};
                for (const auto& [key, list] : worker.Probe())
                    for (const auto& r : list) found["requests"][key].push_back({r.object, r.operation});
                std::ofstream(o.out + "/probe.json") << found.dump();
            } catch (const std::exception& e) {
                std::cerr << "cvcc_soak: the probe failed: " << e.what() << '\n';
                status = 1;
            }
            _exit(status);
        }
        int status = 0;
        waitpid(probe, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
        const auto found = nlohmann::json::parse(std::ifstream(o.out + "/probe.json"));
        banner = found.at("banner");
        for (const auto& [key, list] : found.at("requests").items())
            for (const auto& r : list) requests[key].push_back({r[0], r[1]});
    }
    std::cout << "soak: " << indices.size() << " runs, seed " << o.seed << ", " << o.jobs
              << " workers" << std::endl;

    std::vector<pid_t> workers;
    for (int w = 0; w < o.jobs; ++w) {
        const pid_t pid = fork();
        if (pid == 0) {
            try {
                _exit(WorkerMain(o, w, requests, banner, indices));
            } catch (const std::exception& e) {
                std::cerr << "cvcc_soak: worker " << w << ": " << e.what() << '\n';
                _exit(1);
            }
        }
        workers.push_back(pid);
    }
    // Progress every half minute while the workers run.
    std::atomic<bool> done{false};
    std::thread progress([&] {
        while (!done) {
            for (int i = 0; i < 300 && !done; ++i) std::this_thread::sleep_for(milliseconds(100));
            if (done) break;
            long made = 0;
            for (int w = 0; w < o.jobs; ++w) {
                std::ifstream in(o.out + "/worker-" + std::to_string(w) + ".jsonl");
                made += std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
            }
            std::cout << "soak: " << made << " of " << indices.size() << " runs" << std::endl;
        }
    });
    bool workersFailed = false;
    for (pid_t pid : workers) {
        int status = 0;
        waitpid(pid, &status, 0);
        workersFailed |= !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    }
    done = true;
    progress.join();

    std::vector<nlohmann::json> lines;
    std::ofstream all(o.out + "/runs.jsonl");
    long violations = 0;
    for (int w = 0; w < o.jobs; ++w) {
        std::ifstream in(o.out + "/worker-" + std::to_string(w) + ".jsonl");
        std::string text;
        while (std::getline(in, text)) {
            auto line = nlohmann::json::parse(text);
            line["worker"] = std::to_string(w);
            all << line.dump() << '\n';
            if (!line.at("violations").empty()) {
                ++violations;
                std::cout << soak::ViolationText(line, o.program, o.seed);
            }
            lines.push_back(line);
        }
    }
    const auto grown = soak::Growth(lines);
    for (const auto& g : grown) std::cout << "GROWTH: " << g << '\n';
    const std::string table =
        soak::Table(lines, violations, static_cast<long>(grown.size()), o.seed, o.jobs);
    std::ofstream(o.out + "/table.md") << table;
    std::cout << '\n' << table << "elapsed: "
              << std::chrono::duration_cast<seconds>(Clock::now() - started).count() << " s; every run in "
              << o.out << "/runs.jsonl" << std::endl;
    const bool complete = static_cast<long>(lines.size()) == static_cast<long>(indices.size());
    if (!complete) std::cout << "soak: only " << lines.size() << " of " << indices.size() << " runs were made\n";
    return violations == 0 && grown.empty() && complete && !workersFailed ? 0 : 1;
}
