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
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include "corba/naming_layout.h"
#include "harness/backup_network.h"
#include "harness/proc.h"
#include "harness/process.h"
#include "soak/invariants.h"
#include "soak/plan.h"

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

// The longest any run may take: the longest wait of the scenario is a few
// 3000 ms polls for each of four tasks; a frozen peer is bounded by the call
// timeout the run sets, the check by its own deadline.
constexpr seconds kBound(90);
const std::string kCallTimeout = "2000";

// A service's descriptors and threads after a run; -1 each when it is gone.
std::pair<int, int> Resources(pid_t pid) {
    const std::optional<harness::ProcessLoad> load = harness::Load(pid);
    return load ? std::make_pair(load->descriptors, load->threads) : std::make_pair(-1, -1);
}

bool Matches(const nlohmann::json& entry, const soak::Request& target) {
    return entry.value("object", "") == target.object && entry.value("operation", "") == target.operation;
}

// One worker's network and what it knows of its processes.
class Worker {
public:
    explicit Worker(const std::string& hostname)
        : net_({hostname, 0, soak::BaseScenario()}) {
        if (!net_.skipReason().empty()) throw std::runtime_error(net_.skipReason());
    }

    std::string Banner() {
        auto r = net_.RunCvcc({{"--Help"}, {}, std::nullopt, seconds(30)});
        const auto usage = r.out.find("Usage:");
        return usage == std::string::npos ? r.out : r.out.substr(0, usage);
    }

    // The requests a faultless run of each key makes.
    soak::Requests Probe() {
        soak::Requests requests;
        for (const auto& [key, args] : soak::Keys()) {
            net_.StartSimulator(soak::BaseScenario());
            const std::size_t before = net_.Journal().size();
            net_.RunCvcc({args, {}, std::nullopt, kBound});
            const auto journal = net_.Journal();
            auto& list = requests[key];
            for (std::size_t i = before; i < journal.size(); ++i)
                if (journal[i].contains("args"))  // a servant saw it, so a fault can strike it
                    list.push_back({journal[i].value("object", ""), journal[i].value("operation", "")});
            if (key.rfind("--NSClean", 0) == 0)
                for (const char* op : {"list", "resolve", "unbind"}) list.push_back({"naming:network", op});
        }
        base_ = false;
        return requests;
    }

    nlohmann::json Run(const soak::Plan& plan, const std::string& banner) {
        using soak::Fault;
        // A Coordinator that a fault ended, or froze, starts afresh, with
        // bnsim's bindings; a server that is gone or not the base one too.
        if (coordinatorGone_) {
            net_.RestartCoordinator();
            coordinatorGone_ = false;
            base_ = false;
            started_ = true;
        }
        if (plan.freshServer) {
            StartSimulator(plan.scenario);
            base_ = false;
        } else if (!base_ || !Alive(net_.simulatorPid()) || started_) {
            StartSimulator(soak::BaseScenario());
            base_ = true;
        }
        started_ = false;

        soak::Outcome outcome;
        outcome.bound = kBound;
        const std::size_t before = net_.Journal().size();
        harness::CvccRun run{plan.args, {}, std::nullopt, kBound};
        const bool frozen = plan.fault == Fault::ServerFrozen || plan.fault == Fault::CoordinatorFrozen ||
                            plan.fault == Fault::WorkstationHung;
        // A frozen peer holds a call for good without a call timeout (as
        // documented); the soak sets one, as an administrator would.
        if (frozen) run.env.push_back({"ORBclientCallTimeOutPeriod", kCallTimeout});

        // Whatever goes wrong from here on, a stopped peer is let go first and
        // the run is waited for then, so that the worker's next run can start.
        struct Pending {
            harness::BackupNetwork& net;
            bool running = false;
            ~Pending() {
                if (!running) return;
                try {
                    net.WaitCvcc();
                } catch (const std::exception&) {
                }
            }
        } pending{net_};
        std::optional<harness::ScopedStop> stopped;
        if (plan.fault == Fault::ServerFrozen) stopped.emplace(net_.simulatorPid());
        if (plan.fault == Fault::CoordinatorFrozen) stopped.emplace(net_.coordinatorPid());
        const bool delayed =
            plan.fault == Fault::ServerDelayed || plan.fault == Fault::CoordinatorDelayed;
        const pid_t delayedPeer =
            plan.fault == Fault::ServerDelayed ? net_.simulatorPid() : net_.coordinatorPid();
        if (delayed && plan.delayAtStart) stopped.emplace(delayedPeer);
        net_.StartCvcc(run);
        pending.running = true;
        if (delayed && plan.delayAtStart) {
            std::this_thread::sleep_for(milliseconds(plan.delayMs));
            stopped.reset();
        }
        if (plan.fault == Fault::ServerKilled || plan.fault == Fault::CoordinatorKilled ||
            (delayed && !plan.delayAtStart)) {
            // Strikes when the run makes the target request, unless it ends first.
            const auto deadline = Clock::now() + kBound;
            bool struck = false;
            while (!struck && Clock::now() < deadline) {
                const auto journal = net_.Journal();
                for (std::size_t i = before; i < journal.size() && !struck; ++i)
                    struck = Matches(journal[i], plan.target);
                if (struck) break;
                if (!Alive(net_.cvccPid())) break;
                std::this_thread::sleep_for(milliseconds(5));
            }
            if (struck && plan.fault == Fault::ServerKilled) net_.KillSimulator();
            if (struck && plan.fault == Fault::CoordinatorKilled) {
                net_.KillCoordinator();
                coordinatorGone_ = true;
            }
            // A delay stops the peer in the middle of the run and lets it go
            // on: the run must end as it would have, only later.
            if (struck && delayed) {
                const harness::ScopedStop delay(delayedPeer);
                std::this_thread::sleep_for(milliseconds(plan.delayMs));
            }
        }
        pending.running = false;
        outcome.result = net_.WaitCvcc();
        stopped.reset();

        outcome.serverSurvived = Alive(net_.simulatorPid()) && plan.fault != Fault::ServerFrozen;
        // DeactivateSession is oneway: it may reach bnsim after cvcc has
        // ended. A server that answers is given 2 s for it.
        const auto oneways = Clock::now() + seconds(2);
        for (;;) {
            const auto journal = net_.Journal();
            outcome.journal.assign(journal.begin() + static_cast<long>(std::min(before, journal.size())),
                                   journal.end());
            long sessions = 0;
            for (const auto& entry : outcome.journal) {
                const std::string operation = entry.value("operation", "");
                sessions += operation == "ActivateSession" ? 1 : operation == "DeactivateSession" ? -1 : 0;
            }
            if (!outcome.serverSurvived || sessions <= 0 || Clock::now() > oneways) break;
            std::this_thread::sleep_for(milliseconds(20));
        }
        if (plan.key.rfind("--NSClean", 0) == 0 && !coordinatorGone_) {
            const auto listing = net_.Nameclt({"list", std::string(naming::kNetworkContextId) +
                                                           "." + naming::kNetworkContextKind});
            if (listing.exitCode == 0) outcome.bindingsAfter = listing.out;
        }

        const auto violations = soak::Violations(plan, outcome, banner);
        const auto [simFds, simThreads] = Resources(net_.simulatorPid());
        const auto [namesFds, namesThreads] = Resources(net_.coordinatorPid());
        nlohmann::json line = {
            {"index", plan.index},
            {"key", plan.key},
            {"json", plan.json},
            {"fault", soak::FaultName(plan.fault)},
            {"exit", outcome.result.exitCode},
            {"ms", outcome.result.elapsed.count()},
            {"violations", violations},
            {"bnsim", {{"pid", net_.simulatorPid()}, {"fds", simFds}, {"threads", simThreads}, {"base", base_}}},
            {"omniNames", {{"pid", net_.coordinatorPid()}, {"fds", namesFds}, {"threads", namesThreads}}},
        };
        if (!plan.target.object.empty())
            line["target"] = plan.target.object + " " + plan.target.operation;
        if (plan.delayMs > 0) line["delay"] = std::to_string(plan.delayMs) + " ms from " +
                                              (plan.delayAtStart ? "the start" : "the target");
        if (!plan.exception.empty()) line["exception"] = plan.exception + " " + plan.completed;
        if (outcome.bindingsAfter) line["bindingsAfter"] = *outcome.bindingsAfter;
        if (!violations.empty()) {
            line["stdout"] = outcome.result.out;
            line["stderr"] = outcome.result.err;
        }
        return line;
    }

private:
    static bool Alive(pid_t pid) { return harness::ProcessExists(pid); }

    // A bnsim that served the network context in front of the Coordinator's
    // and ended without unbinding leaves that binding dead: nothing binds
    // there again until the Coordinator starts afresh.
    void StartSimulator(const std::string& scenario) {
        try {
            net_.StartSimulator(scenario);
        } catch (const std::runtime_error&) {
            net_.RestartCoordinator();
            net_.StartSimulator(scenario);
        }
    }

    harness::BackupNetwork net_;
    bool base_ = false;             // bnsim plays the base scenario, unchanged
    bool coordinatorGone_ = false;  // a fault killed omniNames
    bool started_ = false;          // a fresh Coordinator: bnsim must bind again
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
    Worker worker("cvcc-soak-" + std::to_string(w));
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

// Descriptors or threads of one bnsim or omniNames that kept growing over
// at least 30 runs of its life.
std::vector<std::string> Growth(const std::vector<nlohmann::json>& lines) {
    std::map<std::string, std::vector<std::pair<int, int>>> lives;
    for (const auto& l : lines)
        for (const char* who : {"bnsim", "omniNames"}) {
            if (!l.contains(who)) continue;
            const auto& p = l.at(who);
            if (p.value("fds", -1) < 0) continue;
            if (std::string(who) == "bnsim" && !p.value("base", false)) continue;
            lives[std::string(who) + " " + std::to_string(p.value("pid", 0)) + " of worker " +
                  l.value("worker", "?")]
                .push_back({p.value("fds", 0), p.value("threads", 0)});
        }
    std::vector<std::string> grown;
    for (const auto& [who, samples] : lives) {
        if (samples.size() < 30) continue;
        const auto first = samples[5];
        const auto last = samples.back();
        if (last.first > first.first + 16 || last.second > first.second + 16)
            grown.push_back(who + " grew from " + std::to_string(first.first) + " descriptors and " +
                            std::to_string(first.second) + " threads to " + std::to_string(last.first) +
                            " and " + std::to_string(last.second) + " over " +
                            std::to_string(samples.size()) + " runs");
    }
    return grown;
}

std::string Table(const std::vector<nlohmann::json>& lines, long violations,
                  const std::vector<std::string>& grown, const Options& o) {
    std::vector<std::string> faults;
    std::map<std::string, std::map<std::string, long>> byKey;
    for (const auto& l : lines) {
        const std::string fault = l.value("fault", "");
        if (std::find(faults.begin(), faults.end(), fault) == faults.end()) faults.push_back(fault);
        byKey[l.value("key", "") + (l.value("json", false) ? " (--Json)" : "")][fault]++;
    }
    std::sort(faults.begin(), faults.end());
    std::ostringstream t;
    t << "| key |";
    for (const auto& f : faults) t << ' ' << f << " |";
    t << " runs |\n|---|";
    for (std::size_t i = 0; i <= faults.size(); ++i) t << "---:|";
    t << '\n';
    for (const auto& [key, counts] : byKey) {
        long total = 0;
        t << "| " << key << " |";
        for (const auto& f : faults) {
            const auto n = counts.count(f) ? counts.at(f) : 0;
            total += n;
            t << ' ' << n << " |";
        }
        t << ' ' << total << " |\n";
    }
    std::vector<long> ms;
    const nlohmann::json* slowest = nullptr;
    for (const auto& l : lines) {
        ms.push_back(l.value("ms", 0L));
        if (!slowest || l.value("ms", 0L) > slowest->value("ms", 0L)) slowest = &l;
    }
    std::sort(ms.begin(), ms.end());
    t << "\nruns: " << lines.size() << ", seed " << o.seed << ", workers " << o.jobs
      << "; runs that broke a rule: " << violations << "; processes that kept growing: " << grown.size()
      << '\n';
    if (!ms.empty()) {
        t << "median run: " << ms[ms.size() / 2] << " ms; slowest run: " << ms.back() << " ms ("
          << slowest->value("key", "") << (slowest->value("json", false) ? " --Json" : "") << ", "
          << slowest->value("fault", "") << ", run " << slowest->value("index", 0L) << ")\n";
    }
    return t.str();
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
                Worker worker("cvcc-soak-probe");
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
                soak::Plan plan;
                plan.seed = o.seed;
                plan.index = line.value("index", 0L);
                std::cout << "VIOLATION in run " << plan.index << " (" << line.value("key", "")
                          << (line.value("json", false) ? " --Json" : "") << ", " << line.value("fault", "")
                          << (line.contains("target") ? " at " + line.value("target", "") : "") << "):\n";
                for (const auto& v : line.at("violations")) std::cout << "  " << v.get<std::string>() << '\n';
                std::cout << "  replay: " << soak::ReplayCommand(o.program, plan) << '\n';
            }
            lines.push_back(line);
        }
    }
    const auto grown = Growth(lines);
    for (const auto& g : grown) std::cout << "GROWTH: " << g << '\n';
    const std::string table = Table(lines, violations, grown, o);
    std::ofstream(o.out + "/table.md") << table;
    std::cout << '\n' << table << "elapsed: "
              << std::chrono::duration_cast<seconds>(Clock::now() - started).count() << " s; every run in "
              << o.out << "/runs.jsonl" << std::endl;
    const bool complete = static_cast<long>(lines.size()) == static_cast<long>(indices.size());
    if (!complete) std::cout << "soak: only " << lines.size() << " of " << indices.size() << " runs were made\n";
    return violations == 0 && grown.empty() && complete && !workersFailed ? 0 : 1;
}
