// The harness around bnsim leaves no process behind, also when a case fails
// or is killed, and signals no process but its own children (the end-to-end
// cases show that bnsim binds its scenario).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <thread>

#include "harness/backup_network.h"
#include "harness/files.h"
#include "harness/proc.h"
#include "harness/process.h"

namespace {

const char kScenario[] = R"({"server": {"host": "sim-host"}, "tasks": [{"id": 1, "name": "Daily"}],
    "workstations": [{"name": "alive"}, {"name": "dead", "state": "dead"}, {"name": "nested", "state": "context"}]})";

// Runs a case in a child process that starts a network, reports the process
// ids and then ends as `end` says; answers those ids. A killed case cannot
// remove its temporary folders: they go with one of this process's.
std::vector<pid_t> PidsLeftByACaseThat(void (*end)()) {
    const harness::TempDir caseTemp;
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        setenv("TMPDIR", caseTemp.path().c_str(), 1);
        try {
            harness::BackupNetwork net({"teardown-host", 0, kScenario});
            const pid_t pids[2] = {net.coordinatorPid(), net.simulatorPid()};
            if (write(fds[1], pids, sizeof pids) != sizeof pids) _exit(1);
            end();
        } catch (...) {
        }
        _exit(0);
    }
    close(fds[1]);
    pid_t pids[2] = {-1, -1};
    const ssize_t n = read(fds[0], pids, sizeof pids);
    close(fds[0]);
    int status;
    waitpid(child, &status, 0);
    if (n != sizeof pids) throw std::runtime_error("the case reported no process ids");
    return {pids[0], pids[1]};
}

bool AllGone(const std::vector<pid_t>& pids) {
    // Orphaned services are reaped by init; give it a moment, polling.
    for (int i = 0; i < 500; ++i) {
        if (std::none_of(pids.begin(), pids.end(), harness::ProcessExists)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(SimulatorHarness, NoProcessOutlivesAFailingOrKilledCase) {
    // A case whose assertion fails and unwinds, and one killed at its timeout.
    EXPECT_TRUE(AllGone(PidsLeftByACaseThat([] { throw std::runtime_error("case failed"); })));
    EXPECT_TRUE(AllGone(PidsLeftByACaseThat([] { raise(SIGKILL); })));
}

// A tool signals only a process it started and has not reaped: kill(-1, …)
// as root would reach every process of the machine. Signal 0 sends nothing,
// so a guard that let an id through does no harm here.
TEST(SimulatorHarness, SignalsReachOnlyALiveChild) {
    const harness::Service child({"/bin/sleep", "600"});
    const pid_t reaped = fork();
    if (reaped == 0) _exit(0);
    waitpid(reaped, nullptr, 0);
    const struct {
        const char* label;
        pid_t pid;
        bool sent;
    } rows[] = {
        {"a live child", child.pid(), true},
        {"every process", -1, false},
        {"this group", 0, false},
        {"this process", getpid(), false},
        {"init", 1, false},
        {"a reaped child", reaped, false},
    };
    for (const auto& row : rows) {
        bool sent = true;
        try {
            harness::SignalChild(row.pid, 0);
        } catch (const std::logic_error&) {
            sent = false;
        }
        EXPECT_EQ(sent, row.sent) << row.label;
    }
}

// A run that fails while its peer is stopped lets the peer go on.
TEST(SimulatorHarness, AStoppedChildGoesOnWhenItsRunFails) {
    const harness::Service child({"/bin/sleep", "600"});
    const auto stopped = [&child] {
        for (int i = 0; i < 3000; ++i) {
            const auto state = harness::StatusField(child.pid(), "State");
            if (state && (*state)[0] != 'R') return (*state)[0] == 'T';
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        throw std::runtime_error("the child does not settle");
    };
    try {
        const harness::ScopedStop stop(child.pid());
        EXPECT_TRUE(stopped());
        throw std::runtime_error("the run failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(stopped());
}

}  // namespace
