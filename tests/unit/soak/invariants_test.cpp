// The soak's rules catch what they stand for: a faultless run breaks none,
// and each kind of breach a run can commit is named. A rule that let its
// breach through would make every soak pass.
#include <gtest/gtest.h>

#include <functional>

#include "soak/invariants.h"

namespace {

using nlohmann::json;

const std::string kBanner = "\nCorvane Console Client v11.00\n\n";

struct SoakRun {
    soak::Plan plan;
    soak::Outcome outcome;
};

// An execute that ran to its end on a server that answers.
SoakRun Faultless() {
    SoakRun run;
    run.plan.key = "--Execute";
    run.plan.args = {"--Execute", "Nightly"};
    run.outcome.bound = std::chrono::seconds(90);
    run.outcome.serverSurvived = true;
    run.outcome.result.exitCode = 0;
    run.outcome.result.out =
        kBanner + "Running task: Nightly\nWaiting...\nCompleted with status: success\n\n";
    run.outcome.journal = {
        {{"object", "server"}, {"operation", "ActivateSession"}, {"args", json::array()}},
        {{"object", "task:1"}, {"operation", "Start"}, {"args", json::array()}},
        {{"object", "task:1"}, {"operation", "GetStatus"}, {"args", json::array()}},
        {{"object", "task:1"}, {"operation", "GetStatus"}, {"args", json::array()}},
        {{"object", "session:1"}, {"operation", "DeactivateSession"}, {"args", json::array()}},
    };
    return run;
}

// Metrics of a run that read the whole listing, with two of the soak's tasks.
SoakRun Metrics() {
    SoakRun run = Faultless();
    run.plan.key = "--Metrics";
    run.plan.args = {"--Metrics"};
    run.outcome.result.out =
        "# HELP cvcc_up Whether the run read the backup server's whole task listing.\n"
        "# TYPE cvcc_up gauge\n"
        "cvcc_up 1\n"
        "cvcc_collect_duration_seconds 0.019\n"
        "cvcc_info{version=\"11.0\",server_version=\"7.4.4.1208\"} 1\n"
        "cvcc_tasks 2\n"
        "cvcc_task_status{id=\"1\",name=\"Nightly\"} 6\n"
        "cvcc_task_status{id=\"3\",name=\"Comptabilité 2024\"} 8\n"
        "cvcc_task_state{id=\"3\",name=\"Comptabilité 2024\",state=\"critical\"} 1\n"
        "cvcc_task_busy{id=\"1\",name=\"Nightly\"} 0\n";
    return run;
}

std::vector<std::string> Broken(const SoakRun& run) {
    return soak::Violations(run.plan, run.outcome, kBanner);
}

TEST(SoakRules, RunsThatKeepTheRulesBreakNone) {
    EXPECT_EQ(Broken(Faultless()), std::vector<std::string>{});

    SoakRun document = Faultless();
    document.plan.json = true;
    document.outcome.result.exitCode = 1;
    document.outcome.result.out = R"({"tasks":[],"error":{"message":"Access denied"}})";
    EXPECT_EQ(Broken(document), std::vector<std::string>{});

    // The session of a server that died, or refused the login, is no one's
    // to close.
    SoakRun died = Faultless();
    died.outcome.journal.pop_back();
    died.outcome.serverSurvived = false;
    EXPECT_EQ(Broken(died), std::vector<std::string>{});
    SoakRun refused = died;
    refused.outcome.serverSurvived = true;
    refused.plan.fault = soak::Fault::AccessDenied;
    EXPECT_EQ(Broken(refused), std::vector<std::string>{});

    SoakRun check = Faultless();
    check.plan.key = "--Check";
    check.outcome.result.exitCode = 2;
    check.outcome.result.out = "BACKUP CRITICAL - 4 tasks: 1 critical, 0 warning, 0 unknown | tasks=4\n";
    EXPECT_EQ(Broken(check), std::vector<std::string>{});

    EXPECT_EQ(Broken(Metrics()), std::vector<std::string>{});

    // A listing whose row ends in a failure: the longest documented text wins.
    SoakRun listing = Faultless();
    listing.outcome.result.out = kBanner + "Available tasks: \nId\t | Name" + std::string(46, ' ') +
                                 " | Status\n" + std::string(76, '-') + "\n1\t | Nightly" +
                                 std::string(43, ' ') + " | success\n3\t | Comptabilité 2024" +
                                 std::string(33, ' ') + "Unable to connect the backup server.\n";
    EXPECT_EQ(Broken(listing), std::vector<std::string>{});
}

TEST(SoakRules, EachBreachIsNamed) {
    const std::vector<std::pair<std::string, std::function<void(SoakRun&)>>> breaches = {
        {"stdout has an undocumented line: ",
         [](SoakRun& r) { r.outcome.result.out += "Task not found: Missing\n\n"; }},
        {"stdout is not one JSON document", [](SoakRun& r) { r.plan.json = true; }},
        {"the JSON document is not an object",
         [](SoakRun& r) {
             r.plan.json = true;
             r.outcome.result.out = R"(["tasks"])";
         }},
        {"an error in the document but exit 3",
         [](SoakRun& r) {
             r.plan.json = true;
             r.outcome.result.exitCode = 3;
             r.outcome.result.out = R"({"error":{"message":"Access denied"}})";
         }},
        {"the check's document has no state",
         [](SoakRun& r) {
             r.plan.key = "--Check";
             r.plan.json = true;
             r.outcome.result.out = R"({"summary":"no tasks"})";
         }},
        {"the check's stdout does not begin with the plugin line",
         [](SoakRun& r) {
             r.plan.key = "--Check";
             r.outcome.result.out = kBanner + "BACKUP OK - 4 tasks OK | tasks=4\n";
         }},
        {"stdout does not begin with the banner",
         [](SoakRun& r) { r.outcome.result.out = "Running task: Nightly\n"; }},
        {"stdout is not UTF-8", [](SoakRun& r) { r.outcome.result.out += "\xff\n"; }},
        {"did not end within 90 s", [](SoakRun& r) { r.outcome.result.timedOut = true; }},
        {"left a process behind", [](SoakRun& r) { r.outcome.result.leftBehind = true; }},
        {"a request twice: task:1 Start []",
         [](SoakRun& r) {
             r.outcome.journal.insert(r.outcome.journal.begin() + 1, r.outcome.journal[1]);
         }},
        {"the session was left open on a server that answers",
         [](SoakRun& r) { r.outcome.journal.pop_back(); }},
        {"exit 0 with an error or an interruption in the document",
         [](SoakRun& r) {
             r.plan.json = true;
             r.outcome.result.out = R"({"tasks":[],"interrupted":{"signal":15}})";
         }},
        {"exit 1 without an error in the document",
         [](SoakRun& r) {
             r.plan.json = true;
             r.outcome.result.exitCode = 1;
             r.outcome.result.out = R"({"tasks":[]})";
         }},
        {"the check's state OK but exit 2",
         [](SoakRun& r) {
             r.plan.key = "--Check";
             r.outcome.result.exitCode = 2;
             r.outcome.result.out = "BACKUP OK - 4 tasks OK | tasks=4\n";
         }},
        {"the check's state WARNING but exit 0",
         [](SoakRun& r) {
             r.plan.key = "--Check";
             r.plan.json = true;
             r.outcome.result.out = R"({"state":"WARNING","summary":"no tasks"})";
         }},
        {"the sweep removed the live workstation ACCOUNTING-01",
         [](SoakRun& r) {
             r.plan.key = "--NSClean";
             r.outcome.result.out = kBanner;
             r.outcome.bindingsAfter = "RECEPTION.workstation\nROAMING.workstation\n";
         }},
        {"cvcc_up 1 but exit 1",
         [](SoakRun& r) {
             r = Metrics();
             r.outcome.result.exitCode = 1;
         }},
        {"cvcc_up 0 but exit 2",
         [](SoakRun& r) {
             r = Metrics();
             r.outcome.result.exitCode = 2;
             r.outcome.result.out = "cvcc_up 0\n";
         }},
        {"cvcc_tasks 2 but 1 status series",
         [](SoakRun& r) {
             r = Metrics();
             std::string& out = r.outcome.result.out;
             const std::size_t at = out.find("cvcc_task_status{id=\"3\"");
             out.erase(at, out.find('\n', at) + 1 - at);
         }},
        {"the metrics' last line has no line end",
         [](SoakRun& r) {
             r = Metrics();
             r.outcome.result.out.pop_back();
         }},
    };
    for (const auto& [named, breach] : breaches) {
        SoakRun run = Faultless();
        breach(run);
        const std::vector<std::string> broken = Broken(run);
        EXPECT_NE(std::find(broken.begin(), broken.end(), named), broken.end())
            << named << "\nnamed instead:\n"
            << ::testing::PrintToString(broken);
    }

    // Lines no row documents: a crash's, a bare exception name, an unpadded
    // row, one task's id with another's name; in the metrics, a series that
    // mixes two tasks and a state no one documented.
    const std::vector<std::pair<bool, std::string>> undocumented = {
        {false, "Segmentation fault"},
        {false, "TRANSIENT"},
        {false, "1\t | Nightly | success"},
        {false, "2\t | Nightly" + std::string(43, ' ') + " | success"},
        {true, R"(cvcc_task_status{id="2",name="Nightly"} 5)"},
        {true, R"(cvcc_task_state{id="1",name="Nightly",state="fine"} 1)"}};
    for (const auto& [metrics, line] : undocumented) {
        SoakRun run = metrics ? Metrics() : Faultless();
        run.outcome.result.out += line + "\n";
        EXPECT_EQ(Broken(run),
                  std::vector<std::string>{(metrics ? "the metrics have" : "stdout has") +
                                           std::string(" an undocumented line: ") + line});
    }
}

}  // namespace
