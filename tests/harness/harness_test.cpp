// The harness around bnsim leaves no process behind, also when a case fails
// or is killed (the end-to-end cases show that bnsim binds its scenario).
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
    EXPECT_TRUE(AllGone(PidsLeftByACaseThat([] { kill(getpid(), SIGKILL); })));
}

}  // namespace
