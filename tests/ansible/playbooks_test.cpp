// The plays of this folder with the real ansible-playbook -c local against
// bnsim, on a network of the case's own. The plays check each module result;
// here bnsim's journal shows what reached the server.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "harness/backup_network.h"
#include "harness/files.h"
#include "harness/process.h"
#include "tests/e2e/cvcc_case.h"
#include "tests/support/network_skip.h"

namespace {

const std::string kPlays = ANSIBLE_PLAYS_DIR;
const std::string kCollection = ANSIBLE_COLLECTION_DIR;
// The harness runs a program by its path; env finds Ansible's on the PATH.
const std::string kEnv = "/usr/bin/env";

struct PlayCase {
    std::string name;
    std::string scenario;  // JSON text
    std::string playbook;  // of this folder
    bool checkMode;
    // The requests that changed a task, in order ("Start task:1", "DeleteTask task:5"); a task
    // already in the asked state, a missing one and check mode add none.
    std::vector<std::string> taskActions;
};

std::string Registry(int port) {
    return e2e::RegistryWithPort("\"" + std::to_string(port) + "\"");
}

std::vector<std::string> TaskActions(const std::vector<nlohmann::json>& journal) {
    std::vector<std::string> actions;
    for (const nlohmann::json& entry : journal) {
        const std::string operation = entry.value("operation", "");
        if (operation == "DeleteTask")
            actions.push_back("DeleteTask task:" + entry["args"]["id"].dump());
        else if (operation == "Start" || operation == "StartAs" || operation == "Stop")
            actions.push_back(operation + " " + entry.value("object", ""));
    }
    return actions;
}

// The sessions that were used and never deactivated: a cvcc that the module
// ended without its SIGTERM leaves one open.
std::set<std::string> OpenSessions(const std::vector<nlohmann::json>& journal) {
    std::set<std::string> open;
    for (const nlohmann::json& entry : journal) {
        const std::string object = entry.value("object", "");
        if (object.rfind("session:", 0) == 0) open.insert(object);
    }
    for (const nlohmann::json& entry : journal)
        if (entry.value("operation", "") == "DeactivateSession")
            open.erase(entry["args"].value("session", ""));
    return open;
}

// The last oneway DeactivateSession may still be on its way into the journal.
std::vector<nlohmann::json> SettledJournal(harness::BackupNetwork& net) {
    for (int i = 0; i < 100 && !OpenSessions(net.Journal()).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return net.Journal();
}

// ctest's names of the cases show this, not the object's bytes.
void PrintTo(const PlayCase& c, std::ostream* os) {
    *os << c.name;
}

class Playbooks : public testing::TestWithParam<PlayCase> {};

TEST_P(Playbooks, Run) {
    const PlayCase& c = GetParam();
    harness::BackupNetwork net({"ansible-host", 1755, c.scenario});
    if (!net.skipReason().empty()) SKIP_WITHOUT_NETWORK(net.skipReason());

    const std::string work = net.home() + "/work";
    std::filesystem::create_directories(work + "/elsewhere/cvcc");
    harness::WriteFile(net.registryPath(), Registry(net.coordinatorPort()));
    harness::WriteFile(work + "/elsewhere/cvcc/registry.reg", Registry(2756));
    const harness::EnvChanges env = {
        {"HOME", net.home()},
        {"PATH", std::string(CVCC_BIN_DIR) + ":" + std::getenv("PATH")},
        {"TMPDIR", work},  // what a killed module leaves goes with the case
        {"ANSIBLE_COLLECTIONS_PATH", work + "/collections"},
        {"ANSIBLE_ASYNC_DIR", work + "/async"},
        {"ANSIBLE_NOCOLOR", "1"},
        {"LC_ALL", "C.UTF-8"},
    };

    // The collection as `make package` builds it, installed as an administrator would.
    const harness::RunResult galaxy = harness::Run(
        {{"/bin/sh", "-c",
          "ansible-galaxy collection build \"$0\" --output-path \"$1\" && ansible-galaxy "
          "collection install \"$1\"/corvane-backup-*.tar.gz -p \"$1/collections\"",
          kCollection, work},
         env});
    ASSERT_EQ(galaxy.exitCode, 0) << galaxy.out << galaxy.err;

    const nlohmann::json extraVars = {{"results", work}, {"elsewhere", work + "/elsewhere"}};
    std::vector<std::string> argv = {kEnv,
                                     "ansible-playbook",
                                     "--inventory=localhost,",
                                     "--connection=local",
                                     "--extra-vars=" + extraVars.dump(),
                                     kPlays + "/" + c.playbook};
    if (c.checkMode) argv.push_back("--check");
    const harness::RunResult play = harness::Run({argv, env});
    EXPECT_EQ(play.exitCode, 0) << play.out << play.err;

    const std::vector<nlohmann::json> journal = SettledJournal(net);
    EXPECT_EQ(TaskActions(journal), c.taskActions);
    EXPECT_EQ(OpenSessions(journal), std::set<std::string>{});

    if (c.playbook != "tasks.yml") return;  // task_info's states against cvcc --Check's
    const harness::CvccResult check =
        net.RunCvcc({{"--Json", "--Check"}, {}, Registry(net.coordinatorPort())});
    ASSERT_EQ(check.exitCode, 2) << check.out << check.err;  // CRITICAL
    std::map<unsigned, std::string> checkState;  // by status; the tasks it lists are not OK
    const nlohmann::json checked = nlohmann::json::parse(check.out);
    for (const nlohmann::json& task : checked["tasks"]) {
        std::string state = task["state"];
        for (char& ch : state) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        checkState[task["statusNumber"]] = state;
    }
    const auto listed = nlohmann::json::parse(harness::ReadFile(work + "/task_info.json"));
    std::set<unsigned> statuses;
    for (const nlohmann::json& task : listed) {
        const unsigned status = task["status"];
        statuses.insert(status);
        const auto found = checkState.find(status);
        EXPECT_EQ(task["state"], found == checkState.end() ? "ok" : found->second)
            << "status " << status << " of task " << task["name"];
    }
    // Every status the client knows, and one past them.
    EXPECT_EQ(statuses.size(), 18u);
}

// scenario.json, and a task in each status the client knows and one past them.
std::string Scenario() {
    nlohmann::json scenario = nlohmann::json::parse(harness::ReadFile(kPlays + "/scenario.json"));
    for (unsigned status :
         {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 12u, 13u, 14u, 15u, 16u, 99u})
        scenario["tasks"].push_back({{"id", 100 + status},
                                     {"name", "Status " + std::to_string(status)},
                                     {"status", status}});
    return scenario.dump();
}

const std::string kDenied =
    R"({"server": {"denyAllLogins": true}, "tasks": [{"id": 1, "name": "Nightly"}]})";

INSTANTIATE_TEST_SUITE_P(
    Ansible, Playbooks,
    testing::Values(PlayCase{"check_mode", Scenario(), "tasks.yml", true, {}},
                    PlayCase{"real_run",
                             Scenario(),
                             "tasks.yml",
                             false,
                             {"Start task:1", "Start task:2", "Start task:3", "Stop task:4",
                              "DeleteTask task:5"}},
                    PlayCase{"access_denied", kDenied, "denied.yml", false, {}}),
    [](const testing::TestParamInfo<PlayCase>& info) { return info.param.name; });

}  // namespace
