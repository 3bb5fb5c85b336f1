// One end-to-end case's backup network: a private network and host name (when
// this process may have one), a throwaway Coordinator, the simulator bnsim
// playing a scenario, and runs of the client cvcc against them with a
// registry file of the case's own. Everything started here is stopped by
// process id when the object goes, also when the case fails or times out.
//
// Use from the test's main thread; one BackupNetwork a case (the private
// network is the whole process's). The journal is bnsim's (docs/simulator.md):
// a list of JSON objects with "seq", "object", "operation", "oneway" and,
// for requests a servant saw, "args".
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "harness/coordinator.h"
#include "harness/process.h"

namespace harness {

struct NetworkOptions {
    std::string hostname = "cvcc-test-host";  // the case's host name, when isolated
    int port = 1755;              // the Coordinator's; 0: 1755 when isolated, else a free one
    std::string scenario = "{}";  // bnsim's scenario, JSON text
    std::vector<std::string> coordinatorOptions = {};  // extra omniNames options, e.g. tracing
};

struct CvccRun {
    std::vector<std::string> args;        // after the program name
    EnvChanges env;                       // on top of HOME, which is the case's
    std::optional<std::string> registry;  // .config/cvcc/registry.reg; none: no file
    std::chrono::milliseconds timeout = std::chrono::minutes(2);
    // A command cvcc runs under, e.g. valgrind and its options.
    std::vector<std::string> wrapper = {};
    bool keepRegistry = false;  // no registry: leave the file as the case made it (registryPath)
};

struct CvccResult : RunResult {
    std::vector<nlohmann::json> journal;  // bnsim's journal when cvcc ended
};

using JournalPredicate = std::function<bool(const nlohmann::json&)>;

class BackupNetwork {
public:
    // Enters a private network named options.hostname when allowed, then, unless
    // skipReason() says why not, starts the Coordinator and bnsim and waits
    // until bnsim's bindings are in place. Throws std::runtime_error (with
    // bnsim's stderr) when a service does not come up.
    explicit BackupNetwork(NetworkOptions options = {});
    ~BackupNetwork();
    BackupNetwork(const BackupNetwork&) = delete;
    BackupNetwork& operator=(const BackupNetwork&) = delete;

    // Non-empty when the case cannot run here: not isolated and the port is
    // taken. Nothing was started then; the case should GTEST_SKIP with it.
    const std::string& skipReason() const { return skipReason_; }
    bool isolated() const { return isolated_; }
    const std::string& hostname() const { return hostname_; }  // the host name cvcc sees

    // Runs cvcc to its end.
    CvccResult RunCvcc(const CvccRun& run);
    // Starts cvcc in the background; WaitCvcc collects it. One at a time.
    void StartCvcc(const CvccRun& run);
    CvccResult WaitCvcc();
    pid_t cvccPid() const { return cvccPid_.load(); }

    // The journal so far.
    std::vector<nlohmann::json> Journal() const;
    // Polls the journal until an entry satisfies the predicate and answers
    // it. Throws std::runtime_error at the timeout, or when bnsim has exited
    // without writing one (with its stderr).
    nlohmann::json WaitForJournal(const JournalPredicate& predicate,
                                  std::chrono::milliseconds timeout = std::chrono::seconds(60));

    // The simulator: SIGKILL (no unbinding, as a crash), SIGTERM (answers the
    // wait status), and a fresh start from a scenario (empty: the same one),
    // which appends to the same journal.
    void KillSimulator();
    int StopSimulator();
    void StartSimulator(const std::string& scenario = "");
    // Waits for bnsim to end by itself (ShutdownServer, a scripted crash) and
    // answers its wait status. Throws std::runtime_error at the timeout.
    int WaitForSimulatorExit(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    pid_t simulatorPid() const { return simulator_.pid(); }
    std::string SimulatorStderr() const;

    // The Coordinator: SIGKILL, and a fresh one (empty) on the same port.
    void KillCoordinator();
    void RestartCoordinator();
    pid_t coordinatorPid() const;
    int coordinatorPort() const { return port_; }
    RunResult Nameclt(const std::vector<std::string>& args) const;

    const std::string& home() const { return home_; }  // the HOME cvcc runs with
    std::string registryPath() const { return home_ + "/.config/cvcc/registry.reg"; }
    std::string journalPath() const;

private:
    std::string skipReason_;
    bool isolated_ = false;
    std::string hostname_;
    int port_;
    std::string scenario_;
    std::vector<std::string> coordinatorOptions_;
    std::unique_ptr<TempDir> dir_;
    std::string home_;
    std::unique_ptr<Coordinator> coordinator_;
    Service simulator_;
    std::thread cvccThread_;
    CvccResult cvccResult_;
    std::atomic<pid_t> cvccPid_{-1};
};

// Parses journal lines (one JSON object a line); an unfinished last line is
// left out. Throws on a bad line.
std::vector<nlohmann::json> ParseJournal(const std::string& text);

// The journal's requests that change something, in order, one "object
// operation args" line each: task commands, deletions, settings written,
// unbindings, session ends and shutdowns.
std::vector<std::string> Actions(const std::vector<nlohmann::json>& journal);

}  // namespace harness
