#include "soak/worker.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <thread>

#include "corba/naming_layout.h"
#include "harness/proc.h"
#include "harness/process.h"
#include "soak/invariants.h"

namespace soak {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using Clock = std::chrono::steady_clock;

// The longest any run may take: the longest wait of the scenario is a few
// 3000 ms polls for each of four tasks; a frozen peer is bounded by the call
// timeout the run sets, the check by its own deadline.
constexpr seconds kBound(90);
const std::string kCallTimeout = "2000";

bool Matches(const nlohmann::json& entry, const Request& target) {
    return entry.value("object", "") == target.object &&
           entry.value("operation", "") == target.operation;
}

// A service's process and what it holds after a run: -1 for what cannot be
// read, as of a service that is gone.
nlohmann::json Sample(pid_t pid) {
    const std::optional<harness::ProcessLoad> load = harness::Load(pid);
    return {{"pid", pid},
            {"fds", load ? load->descriptors : -1},
            {"threads", load ? load->threads : -1}};
}

}  // namespace

Worker::Worker(const std::string& hostname) : net_({hostname, 0, BaseScenario()}) {
    if (!net_.skipReason().empty()) throw std::runtime_error(net_.skipReason());
}

std::string Worker::Banner() {
    auto r = net_.RunCvcc({{"--Help"}, {}, std::nullopt, seconds(30)});
    const auto usage = r.out.find("Usage:");
    return usage == std::string::npos ? r.out : r.out.substr(0, usage);
}

Requests Worker::Probe() {
    Requests requests;
    for (const auto& [key, args] : Keys()) {
        net_.StartSimulator(BaseScenario());
        const std::size_t before = net_.Journal().size();
        net_.RunCvcc({args, {}, std::nullopt, kBound});
        const auto journal = net_.Journal();
        auto& list = requests[key];
        for (std::size_t i = before; i < journal.size(); ++i)
            if (journal[i].contains("args"))  // a servant saw it, so a fault can strike it
                list.push_back({journal[i].value("object", ""), journal[i].value("operation", "")});
        if (key.rfind("--NSClean", 0) == 0)
            for (const char* op : {"list", "resolve", "unbind"})
                list.push_back({"naming:network", op});
    }
    base_ = false;
    return requests;
}

nlohmann::json Worker::Run(const Plan& plan, const std::string& banner) {
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
    } else if (!base_ || !harness::ProcessExists(net_.simulatorPid()) || started_) {
        StartSimulator(BaseScenario());
        base_ = true;
    }
    started_ = false;

    Outcome outcome;
    outcome.bound = kBound;
    const std::size_t before = net_.Journal().size();
    harness::CvccRun run{plan.args, {}, std::nullopt, kBound};
    // A frozen peer holds a call for good without a call timeout (as
    // documented); the soak sets one, as an administrator would.
    if (plan.fault == Fault::ServerFrozen || plan.fault == Fault::CoordinatorFrozen ||
        plan.fault == Fault::WorkstationHung)
        run.env.push_back({"ORBclientCallTimeOutPeriod", kCallTimeout});

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
    if (delayed && plan.delayAtStart)
        stopped.emplace(plan.fault == Fault::ServerDelayed ? net_.simulatorPid()
                                                           : net_.coordinatorPid());
    net_.StartCvcc(run);
    pending.running = true;
    if (delayed && plan.delayAtStart) {
        std::this_thread::sleep_for(milliseconds(plan.delayMs));
        stopped.reset();
    }
    if (plan.fault == Fault::ServerKilled || plan.fault == Fault::CoordinatorKilled ||
        (delayed && !plan.delayAtStart))
        StrikeAtTarget(plan, before);
    pending.running = false;
    outcome.result = net_.WaitCvcc();
    stopped.reset();

    outcome.serverSurvived =
        harness::ProcessExists(net_.simulatorPid()) && plan.fault != Fault::ServerFrozen;
    // DeactivateSession is oneway: it may reach bnsim after cvcc has
    // ended. A server that answers is given 2 s for it.
    const auto oneways = Clock::now() + seconds(2);
    for (;;) {
        const auto journal = net_.Journal();
        outcome.journal.assign(
            journal.begin() + static_cast<long>(std::min(before, journal.size())), journal.end());
        long sessions = 0;
        for (const auto& entry : outcome.journal) {
            const std::string operation = entry.value("operation", "");
            sessions += operation == "ActivateSession"     ? 1
                        : operation == "DeactivateSession" ? -1
                                                           : 0;
        }
        if (!outcome.serverSurvived || sessions <= 0 || Clock::now() > oneways) break;
        std::this_thread::sleep_for(milliseconds(20));
    }
    if (plan.key.rfind("--NSClean", 0) == 0 && !coordinatorGone_) {
        const auto listing = net_.Nameclt(
            {"list", std::string(naming::kNetworkContextId) + "." + naming::kNetworkContextKind});
        if (listing.exitCode == 0) outcome.bindingsAfter = listing.out;
    }

    const auto violations = Violations(plan, outcome, banner);
    nlohmann::json bnsim = Sample(net_.simulatorPid());
    bnsim["base"] = base_;
    nlohmann::json line = {
        {"index", plan.index},
        {"key", plan.key},
        {"json", plan.json},
        {"fault", FaultName(plan.fault)},
        {"exit", outcome.result.exitCode},
        {"ms", outcome.result.elapsed.count()},
        {"violations", violations},
        {"bnsim", bnsim},
        {"omniNames", Sample(net_.coordinatorPid())},
    };
    if (!plan.target.object.empty())
        line["target"] = plan.target.object + " " + plan.target.operation;
    if (plan.delayMs > 0)
        line["delay"] = std::to_string(plan.delayMs) + " ms from " +
                        (plan.delayAtStart ? "the start" : "the target");
    if (!plan.exception.empty()) line["exception"] = plan.exception + " " + plan.completed;
    if (outcome.bindingsAfter) line["bindingsAfter"] = *outcome.bindingsAfter;
    if (!violations.empty()) {
        line["stdout"] = outcome.result.out;
        line["stderr"] = outcome.result.err;
    }
    return line;
}

void Worker::StrikeAtTarget(const Plan& plan, std::size_t journalStart) {
    const auto deadline = Clock::now() + kBound;
    bool struck = false;
    while (!struck && Clock::now() < deadline) {
        const auto journal = net_.Journal();
        for (std::size_t i = journalStart; i < journal.size() && !struck; ++i)
            struck = Matches(journal[i], plan.target);
        if (struck || !harness::ProcessExists(net_.cvccPid())) break;
        std::this_thread::sleep_for(milliseconds(5));
    }
    if (!struck) return;
    if (plan.fault == Fault::ServerKilled) return net_.KillSimulator();
    if (plan.fault == Fault::CoordinatorKilled) {
        net_.KillCoordinator();
        coordinatorGone_ = true;
        return;
    }
    // A delay stops the peer in the middle of the run and lets it go on: the
    // run must end as it would have, only later.
    const harness::ScopedStop stopped(plan.fault == Fault::ServerDelayed ? net_.simulatorPid()
                                                                         : net_.coordinatorPid());
    std::this_thread::sleep_for(milliseconds(plan.delayMs));
}

// A bnsim that served the network context in front of the Coordinator's and
// ended without unbinding leaves that binding dead: nothing binds there again
// until the Coordinator starts afresh.
void Worker::StartSimulator(const std::string& scenario) {
    try {
        net_.StartSimulator(scenario);
    } catch (const std::runtime_error&) {
        net_.RestartCoordinator();
        net_.StartSimulator(scenario);
    }
}

}  // namespace soak
