#include "soak/plan.h"

#include <random>

namespace soak {
namespace {

// Keys that change the server's state for good: the next run needs a fresh one.
bool ChangesTheServer(const std::string& key) {
    return key.rfind("--Delete", 0) == 0 || key == "--Close" || key.rfind("--NSClean", 0) == 0 ||
           key == "--Proxy";
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string FaultJson(const Request& target, const std::string& what) {
    return R"({"object": )" + Quoted(target.object) + R"(, "operation": )" +
           Quoted(target.operation) + ", " + what + "}";
}

const std::vector<std::string> kExceptions = {
    "UNKNOWN",   "BAD_PARAM",     "NO_MEMORY",       "IMP_LIMIT",     "COMM_FAILURE",
    "INV_OBJREF", "NO_PERMISSION", "INTERNAL",       "MARSHAL",       "INITIALIZE",
    "NO_IMPLEMENT", "BAD_OPERATION", "NO_RESOURCES", "NO_RESPONSE",   "BAD_INV_ORDER",
    "TRANSIENT", "OBJ_ADAPTER",   "DATA_CONVERSION", "OBJECT_NOT_EXIST", "TIMEOUT"};

}  // namespace

const char* FaultName(Fault fault) {
    switch (fault) {
        case Fault::None: return "none";
        case Fault::Raise: return "raise";
        case Fault::Crash: return "crash";
        case Fault::AccessDenied: return "access-denied";
        case Fault::ServerFrozen: return "server-frozen";
        case Fault::ServerKilled: return "server-killed";
        case Fault::CoordinatorKilled: return "coordinator-killed";
        case Fault::CoordinatorFrozen: return "coordinator-frozen";
        case Fault::WorkstationGone: return "workstation-gone";
        case Fault::WorkstationHung: return "workstation-hung";
        case Fault::ServerDelayed: return "server-delayed";
        case Fault::CoordinatorDelayed: return "coordinator-delayed";
    }
    return "?";
}

const std::vector<std::pair<std::string, std::vector<std::string>>>& Keys() {
    static const std::vector<std::pair<std::string, std::vector<std::string>>> keys = {
        {"--List", {"--List"}},
        {"--Execute", {"--Execute", "Nightly", "Comptabilité 2024"}},
        {"--ExecuteId", {"--ExecuteId", "2", "x7"}},
        {"--ExcuteAll", {"--ExcuteAll"}},
        {"--Stop", {"--Stop", "Running", "Mail"}},
        {"--StopId", {"--StopId", "4", "99"}},
        {"--StopAll", {"--StopAll"}},
        {"--Delete", {"--Delete", "Mail", "Missing"}},
        {"--DeleteId", {"--DeleteId", "2"}},
        {"--DeleteAll", {"--DeleteAll"}},
        {"--Log", {"--Log", "Nightly"}},
        {"--LogId", {"--LogId", "3"}},
        {"--Wait", {"--Wait", "Running"}},
        {"--WaitId", {"--WaitId", "4", "1"}},
        {"--WaitAll", {"--WaitAll"}},
        {"--Check", {"--Check"}},
        {"--Check names", {"--Check", "Nightly", "Mail", "Missing"}},
        {"--Metrics", {"--Metrics"}},
        {"--Close", {"--Close"}},
        {"--Proxy", {"--Proxy", "proxy.example:3128"}},
        {"--NSClean", {"--NSClean"}},
        {"--NSClean --List", {"--NSClean", "--List"}},
        {"--Help", {"--Help"}},
    };
    return keys;
}

std::string BaseScenario(const std::vector<std::string>& faults,
                         const std::vector<std::string>& extraWorkstations) {
    std::string workstations =
        R"({"name": "ACCOUNTING-01"}, {"name": "RECEPTION", "displayName": "Réception"},
           {"name": "OLD-LAPTOP", "state": "dead"}, {"name": "ROAMING", "state": "forwardsNowhere"})";
    for (const auto& w : extraWorkstations) workstations += ", " + w;
    std::string faultList;
    for (const auto& f : faults) faultList += (faultList.empty() ? "" : ", ") + f;
    // Nightly backs up for a poll; Running runs on until stopped; Mail is
    // idle; 3 has a log of its own.
    return R"({"tasks": [
        {"id": 1, "name": "Nightly", "status": "tsSuccess",
         "start": [{"status": "tsBackup", "polls": 1}, {"status": "tsSuccess"}],
         "log": {"lines": ["Started", "Copying C:\\Data", "Ended"], "repeat": 20}},
        {"id": 2, "name": "Mail", "status": "tsWaitingSchedule",
         "start": [{"status": "tsSuccessWithErrors"}]},
        {"id": 3, "name": "Comptabilité 2024", "status": "tsError",
         "start": [{"status": "tsBackup", "polls": 1}, {"status": "tsError"}],
         "log": {"lines": ["Début", "Fin"]}},
        {"id": 4, "name": "Running",
         "run": [{"status": "tsBackup", "polls": 2}, {"status": "tsSuccess"}]}],
      "workstations": [)" +
           workstations + R"(],
      "faults": [)" + faultList + "]}";
}

Plan MakePlan(std::uint64_t seed, long index, const Requests& requests) {
    std::mt19937_64 random(seed * 0x9E3779B97F4A7C15ULL + static_cast<std::uint64_t>(index));
    auto pick = [&random](std::size_t n) {
        return static_cast<std::size_t>(std::uniform_int_distribution<std::size_t>(0, n - 1)(random));
    };
    Plan plan;
    plan.seed = seed;
    plan.index = index;
    const auto& [key, args] = Keys()[pick(Keys().size())];
    plan.key = key;
    plan.json = pick(2) == 1;
    if (plan.json) plan.args.push_back("--Json");
    plan.args.insert(plan.args.end(), args.begin(), args.end());

    // A fault in three runs of four; the ones that strike a request strike
    // one that this key makes.
    static const std::vector<Fault> kFaults = {
        Fault::None,          Fault::Raise,           Fault::Raise,
        Fault::Raise,         Fault::Crash,           Fault::AccessDenied,
        Fault::ServerFrozen,  Fault::ServerKilled,    Fault::CoordinatorKilled,
        Fault::CoordinatorFrozen, Fault::WorkstationGone, Fault::WorkstationHung,
        Fault::ServerDelayed, Fault::CoordinatorDelayed};
    plan.fault = pick(4) == 0 ? Fault::None : kFaults[pick(kFaults.size())];
    const auto made = requests.find(key);
    const bool strikes = plan.fault == Fault::Raise || plan.fault == Fault::Crash ||
                         plan.fault == Fault::ServerKilled || plan.fault == Fault::CoordinatorKilled ||
                         plan.fault == Fault::ServerDelayed || plan.fault == Fault::CoordinatorDelayed;
    if (strikes) {
        if (made == requests.end() || made->second.empty()) {
            plan.fault = Fault::None;
        } else {
            plan.target = made->second[pick(made->second.size())];
        }
    }
    std::vector<std::string> faults;
    std::vector<std::string> workstations;
    switch (plan.fault) {
        case Fault::Raise: {
            plan.exception = kExceptions[pick(kExceptions.size())];
            static const char* kCompleted[] = {"NO", "YES", "MAYBE"};
            plan.completed = kCompleted[pick(3)];
            faults.push_back(FaultJson(plan.target, R"("raise": )" + Quoted(plan.exception) +
                                                        R"(, "completed": )" + Quoted(plan.completed) +
                                                        R"(, "minor": )" + std::to_string(pick(8))));
            break;
        }
        case Fault::Crash:
            faults.push_back(FaultJson(plan.target, R"("crash": true)"));
            break;
        case Fault::AccessDenied:
            faults.push_back(FaultJson({"server", "ActivateSession"}, R"("raise": "AccessDenied")"));
            break;
        case Fault::ServerDelayed:
        case Fault::CoordinatorDelayed:
            // Up to a little less than a 3000 ms poll.
            plan.delayMs = 100 + static_cast<int>(pick(2800));
            // Most keys end within milliseconds: half of the delays are
            // there before the first request, so that they strike at all.
            plan.delayAtStart = pick(2) == 0;
            break;
        case Fault::WorkstationGone:
            workstations.push_back(R"({"name": "GONE-PC", "state": "dead"})");
            break;
        case Fault::WorkstationHung:
            workstations.push_back(R"({"name": "HUNG-PC", "state": "silent"})");
            break;
        default:
            break;
    }
    plan.freshServer = !faults.empty() || !workstations.empty() || ChangesTheServer(key);
    plan.scenario = BaseScenario(faults, workstations);
    return plan;
}

std::string ReplayCommand(const std::string& program, const Plan& plan) {
    return program + " --seed " + std::to_string(plan.seed) + " --only " + std::to_string(plan.index);
}

}  // namespace soak
