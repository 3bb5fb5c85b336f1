#include "harness/backup_network.h"

#include <signal.h>
#include <sys/wait.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <stdexcept>

#include "harness/network.h"

namespace harness {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kPollInterval(20);
// Only a bnsim that hangs should run out of this: one that builds 100,000
// tasks under AddressSanitizer, while ctest runs the Ansible plays and the
// monitoring engines beside it on two cores, has needed more than 30 s.
constexpr std::chrono::seconds kSimulatorStart(120);

}  // namespace

std::vector<nlohmann::json> ParseJournal(const std::string& text) {
    std::vector<nlohmann::json> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) break;  // still being written
        const std::string line = text.substr(start, end - start);
        if (!line.empty()) entries.push_back(nlohmann::json::parse(line));
        start = end + 1;
    }
    return entries;
}

BackupNetwork::BackupNetwork(NetworkOptions options)
    : hostname_(options.hostname),
      port_(options.port),
      scenario_(options.scenario),
      coordinatorOptions_(options.coordinatorOptions) {
    isolated_ = EnterPrivateNetwork(options.hostname);
    if (port_ == 0) port_ = isolated_ ? 1755 : FreePort();
    if (!isolated_) {
        hostname_ = HostName();
        if (PortAcceptsConnections(port_)) {
            skipReason_ = "port " + std::to_string(port_) +
                          " is taken and this user cannot have a network of its own";
            return;
        }
    }
    dir_ = std::make_unique<TempDir>();
    home_ = dir_->path() + "/home";
    std::filesystem::create_directories(home_);
    coordinator_ = std::make_unique<Coordinator>(port_, coordinatorOptions_);
    StartSimulator();
}

BackupNetwork::~BackupNetwork() {
    // A client left running is ended first, so it cannot hang on a service
    // that goes away under it.
    const pid_t cvcc = cvccPid_.load();
    if (cvccThread_.joinable()) {
        SignalGroup(cvcc, SIGKILL);
        cvccThread_.join();
    }
    simulator_.Stop();
    coordinator_.reset();
}

std::string BackupNetwork::journalPath() const {
    return dir_ ? dir_->path() + "/journal" : "";
}

std::string BackupNetwork::SimulatorStderr() const {
    return dir_ ? ReadFile(dir_->path() + "/bnsim.err") : "";
}

void BackupNetwork::StartSimulator(const std::string& scenario) {
    if (!scenario.empty()) scenario_ = scenario;
    simulator_.Stop();
    const std::string scenarioPath = dir_->path() + "/scenario.json";
    const std::string ready = dir_->path() + "/ready";
    WriteFile(scenarioPath, scenario_);
    std::filesystem::remove(ready);
    simulator_ = Service({BNSIM_BINARY, "--coordinator", "127.0.0.1:" + std::to_string(port_),
                          "--scenario", scenarioPath, "--ready", ready, "--journal", journalPath()},
                         {}, dir_->path() + "/bnsim.err");
    const auto deadline = Clock::now() + kSimulatorStart;
    while (!std::filesystem::exists(ready)) {
        if (!simulator_.Running())
            throw std::runtime_error("bnsim exited before it was ready:\n" + SimulatorStderr());
        if (Clock::now() > deadline) {
            simulator_.Kill();
            throw std::runtime_error("bnsim was not ready within " +
                                     std::to_string(kSimulatorStart.count()) + " s:\n" +
                                     SimulatorStderr());
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

int BackupNetwork::WaitForSimulatorExit(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (simulator_.Running()) {
        if (Clock::now() > deadline) throw std::runtime_error("bnsim did not exit by itself");
        std::this_thread::sleep_for(kPollInterval);
    }
    return simulator_.Stop();  // nothing runs: answers the status kept
}

void BackupNetwork::KillSimulator() {
    simulator_.Kill();
}
int BackupNetwork::StopSimulator() {
    return simulator_.Stop();
}

void BackupNetwork::KillCoordinator() {
    if (coordinator_) coordinator_->Kill();
}

void BackupNetwork::RestartCoordinator() {
    coordinator_.reset();
    coordinator_ = std::make_unique<Coordinator>(port_, coordinatorOptions_);
}

pid_t BackupNetwork::coordinatorPid() const {
    return coordinator_ ? coordinator_->pid() : -1;
}

RunResult BackupNetwork::Nameclt(const std::vector<std::string>& args) const {
    return coordinator_->Nameclt(args);
}

std::vector<nlohmann::json> BackupNetwork::Journal() const {
    return ParseJournal(ReadFile(journalPath()));
}

nlohmann::json BackupNetwork::WaitForJournal(const JournalPredicate& predicate,
                                             std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        // Whether bnsim still runs is read before the journal, so an entry
        // written just before it exited is still seen.
        const bool running = simulator_.Running();
        for (const nlohmann::json& entry : Journal())
            if (predicate(entry)) return entry;
        if (!running)
            throw std::runtime_error("bnsim exited without the awaited journal entry:\n" +
                                     SimulatorStderr());
        if (Clock::now() > deadline)
            throw std::runtime_error("no awaited journal entry within the timeout; journal:\n" +
                                     ReadFile(journalPath()));
        std::this_thread::sleep_for(kPollInterval);
    }
}

void BackupNetwork::StartCvcc(const CvccRun& run) {
    if (cvccThread_.joinable()) throw std::logic_error("cvcc already runs in the background");
    const std::string registry = registryPath();
    if (run.registry)
        WriteFile(registry, *run.registry);
    else if (!run.keepRegistry)
        std::filesystem::remove(registry);
    RunOptions options;
    options.argv = run.wrapper;
    options.argv.push_back(CVCC_BINARY);
    options.argv.insert(options.argv.end(), run.args.begin(), run.args.end());
    options.env = {{"HOME", home_}};
    options.env.insert(options.env.end(), run.env.begin(), run.env.end());
    options.timeout = run.timeout;
    options.started = [this](pid_t pid) { cvccPid_.store(pid); };
    cvccPid_.store(-1);
    cvccThread_ = std::thread([this, options] {
        RunResult result = Run(options);
        static_cast<RunResult&>(cvccResult_) = std::move(result);
    });
}

CvccResult BackupNetwork::WaitCvcc() {
    if (!cvccThread_.joinable()) throw std::logic_error("no cvcc runs in the background");
    cvccThread_.join();
    cvccResult_.journal = Journal();
    cvccPid_.store(-1);
    return std::move(cvccResult_);
}

CvccResult BackupNetwork::RunCvcc(const CvccRun& run) {
    StartCvcc(run);
    return WaitCvcc();
}

std::vector<std::string> Actions(const std::vector<nlohmann::json>& journal) {
    static const std::set<std::string> kChanging = {
        "Start", "StartAs", "Stop", "DeleteTask", "_set_proxyHost", "_set_proxyPort",
        "DeactivateSession", "ShutdownServer", "unbind",
        // A log's Open and Close, which the server pairs.
        "Open", "Close"};
    std::vector<std::string> actions;
    for (const nlohmann::json& entry : journal) {
        const std::string operation = entry.value("operation", "");
        if (!kChanging.count(operation)) continue;
        std::string line = entry.value("object", "") + " " + operation;
        if (entry.contains("args") && !entry["args"].empty()) line += " " + entry["args"].dump();
        actions.push_back(line);
    }
    return actions;
}

}  // namespace harness
