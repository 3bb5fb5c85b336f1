// The package's Icinga 2 command "cvcc" in Debian's Icinga 2, against a
// simulated backup server: `icinga2 daemon -C` accepts the shipped file as
// `include <plugins-contrib>` reads it, and one daemon, with a checker and a
// PerfdataWriter, runs a service in each state and one that meets cvcc's
// deadline. What it records for each (the state, the output's first line, the
// perfdata) is what `cvcc --Check` prints for the same tasks. The manual
// page's Icinga 2 service is valid beside the shipped command.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness/backup_network.h"
#include "harness/coordinator.h"
#include "harness/files.h"
#include "harness/network.h"
#include "tests/e2e/cvcc_case.h"
#include "tests/monitoring/man_page_examples.h"
#include "tests/support/network_skip.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

constexpr const char* kIcinga = "/usr/sbin/icinga2";
constexpr const char* kIncludeDir = "/usr/share/icinga2/include";
// A command of the case's own: the shipped one with a registry whose
// Coordinator is frozen, so that the run meets its deadline.
constexpr const char* kUnanswered = "cvcc-unanswered";
constexpr const char* kRecordMark = "CVCC-RESULT\t";

const char* const kScenario = R"({"tasks": [
    {"id": 1, "name": "Daily documents", "status": "tsSuccess"},
    {"id": 2, "name": "Mail", "status": "tsError"},
    {"id": 3, "name": "Laptops", "status": "tsStopped"},
    {"id": 4, "name": "Archive", "status": "tsBackup"}]})";

struct Row {
    std::string service;
    std::string command;
    std::vector<std::string> tasks;  // vars.cvcc_tasks; none: the variable is not set
    int timeout;                     // vars.cvcc_timeout; 0: the shipped one
    int state;
    std::string firstLine;
    std::string perfdata;
};

// clang-format off
const std::vector<Row> kRows = {
    {"ok", "cvcc", {"Daily documents", "Archive"}, 0, 0, "BACKUP OK - 2 tasks OK",
     "tasks=2 ok=2 warning=0 critical=0 unknown=0 busy=1"},
    {"warning", "cvcc", {"Laptops"}, 0, 1, "BACKUP WARNING - 1 task: 0 critical, 1 warning, 0 unknown",
     "tasks=1 ok=0 warning=1 critical=0 unknown=0 busy=0"},
    {"critical", "cvcc", {}, 0, 2, "BACKUP CRITICAL - 4 tasks: 1 critical, 1 warning, 0 unknown",
     "tasks=4 ok=2 warning=1 critical=1 unknown=0 busy=1"},
    {"unknown", "cvcc", {"Tapes"}, 0, 3, "BACKUP UNKNOWN - 0 tasks: 0 critical, 0 warning, 0 unknown, 1 not found",
     "tasks=0 ok=0 warning=0 critical=0 unknown=0 busy=0"},
    // At the shipped deadline, within the shipped engine timeout, the
    // answer is cvcc's own, not the engine's kill; vars.cvcc_timeout sets
    // the deadline.
    {"deadline", kUnanswered, {}, 0, 3, "BACKUP UNKNOWN - no answer within 10 s", ""},
    {"deadline_of_2_s", kUnanswered, {}, 2, 3, "BACKUP UNKNOWN - no answer within 2 s", ""},
};
// clang-format on

struct Record {
    int state = -1;
    std::string firstLine;
    std::string perfdata;
};

// Debian's include folder as the daemon sees it, with `conf` among the files
// of plugins-contrib.d as the package installs it there.
std::string IncludeFolderWith(const std::string& conf, const std::string& folder) {
    fs::create_directories(folder + "/plugins-contrib.d");
    for (const auto& entry : fs::directory_iterator(kIncludeDir))
        if (entry.path().filename() != "plugins-contrib.d")
            fs::create_symlink(entry.path(), folder + "/" + entry.path().filename().string());
    for (const auto& entry :
         fs::directory_iterator(std::string(kIncludeDir) + "/plugins-contrib.d"))
        fs::create_symlink(entry.path(),
                           folder + "/plugins-contrib.d/" + entry.path().filename().string());
    fs::copy_file(conf, folder + "/plugins-contrib.d/cvcc.conf");
    return folder;
}

// The daemon's configuration: Debian's constants and includes, a checker, a
// PerfdataWriter that writes one record a result, and a service a row.
std::string Configuration(const std::string& dir, const std::string& unansweredConfig) {
    std::string text = R"(const PluginDir = "/usr/lib/nagios/plugins"
const PluginContribDir = "/usr/lib/nagios/plugins"
include <itl>
include <plugins>
include <plugins-contrib>
object CheckerComponent "checker" { }
object PerfdataWriter "records" {
  service_perfdata_path = ")" +
                       dir + R"(/records/service"
  service_temp_path = ")" +
                       dir + R"(/records/service.tmp"
  host_perfdata_path = ")" +
                       dir + R"(/records/host"
  host_temp_path = ")" +
                       dir + R"(/records/host.tmp"
  service_format_template = "CVCC-RESULT\t$service.name$\t$service.state_id$\t$service.perfdata$\t$service.output$"
  rotation_interval = 1s
}
object CheckCommand ")" +
                       std::string(kUnanswered) + R"(" {
  import "cvcc"
  env.XDG_CONFIG_HOME = ")" +
                       unansweredConfig + R"("
}
object Host "backup-srv" { check_command = "dummy"; check_interval = 1h }
)";
    for (const Row& row : kRows) {
        text += "object Service \"" + row.service + "\" {\n  host_name = \"backup-srv\"\n" +
                "  check_command = \"" + row.command + "\"\n" +
                "  check_interval = 1s\n  retry_interval = 1s\n";
        if (!row.tasks.empty())
            text += "  vars.cvcc_tasks = " + nlohmann::json(row.tasks).dump() + "\n";
        if (row.timeout) text += "  vars.cvcc_timeout = " + std::to_string(row.timeout) + "\n";
        text += "}\n";
    }
    return text;
}

std::vector<std::string> DaemonArguments(const std::string& dir, const std::string& config,
                                         const std::string& include) {
    return {kIcinga,
            "daemon",
            "-c",
            dir + "/etc/" + config,
            "-DIncludeConfDir=" + include,
            "-DConfigDir=" + dir + "/etc",
            "-DDataDir=" + dir + "/var/lib",
            "-DLogDir=" + dir + "/var/log",
            "-DCacheDir=" + dir + "/var/cache",
            "-DSpoolDir=" + dir + "/var/spool",
            "-DInitRunDir=" + dir + "/var/run",
            "-DRunAsUser=root",
            "-DRunAsGroup=root"};
}

// A record of each service among those the PerfdataWriter has rotated out
// so far. A record is a line that starts with the mark; the output's later
// lines follow on lines of their own.
std::map<std::string, Record> Records(const std::string& folder) {
    std::map<std::string, Record> records;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("service.", 0) != 0 || name == "service.tmp") continue;
        std::istringstream text(harness::ReadFile(entry.path().string()));
        for (std::string line; std::getline(text, line);) {
            if (line.rfind(kRecordMark, 0) != 0) continue;
            std::istringstream fields(line.substr(std::strlen(kRecordMark)));
            std::string service, state;
            Record r;
            std::getline(fields, service, '\t');
            std::getline(fields, state, '\t');
            std::getline(fields, r.perfdata, '\t');
            std::getline(fields, r.firstLine);
            r.state = std::stoi(state);
            records.emplace(service, r);
        }
    }
    return records;
}

// The same check run by hand, as the engine runs the row's command.
harness::CvccRun ByHand(const Row& row, const std::string& unansweredConfig) {
    harness::CvccRun run;
    run.args = {"--Check"};
    run.args.insert(run.args.end(), row.tasks.begin(), row.tasks.end());
    if (row.command == kUnanswered) run.env.push_back({"XDG_CONFIG_HOME", unansweredConfig});
    if (row.timeout) run.env.push_back({"CVCC_CHECK_TIMEOUT", std::to_string(row.timeout)});
    return run;
}

TEST(Icinga, RunsTheShippedCommandInEachState) {
    harness::BackupNetwork net({"backup-srv", 1755, kScenario});
    if (!net.isolated())
        SKIP_WITHOUT_NETWORK("Icinga 2 runs only in a network of the case's own, as root");
    if (!fs::exists(kIcinga)) SKIP_WITHOUT_NETWORK("icinga2 is not installed (make deps)");

    // A Coordinator that accepts the connection and never answers.
    harness::Coordinator frozen(harness::FreePort());
    kill(frozen.pid(), SIGSTOP);
    struct Thaw {
        pid_t pid;
        ~Thaw() { kill(pid, SIGCONT); }
    } thaw{frozen.pid()};
    harness::TempDir dir;
    const std::string unanswered = dir.path() + "/unanswered";
    fs::create_directories(unanswered + "/cvcc");
    harness::WriteFile(unanswered + "/cvcc/registry.reg",
                       e2e::RegistryWithPort("\"" + std::to_string(frozen.port()) + "\""));
    for (const char* sub : {"etc", "var/lib", "var/log", "var/cache", "var/spool", "var/run",
                            "records", "zones.d/master"})
        fs::create_directories(dir.path() + "/" + sub);
    harness::WriteFile(dir.path() + "/etc/icinga2.conf", Configuration(dir.path(), unanswered));
    // cvcc reads the registry of the case's home, not the one of the user
    // running the tests.
    const harness::EnvChanges env = {{"HOME", net.home()}, {"XDG_CONFIG_HOME", std::nullopt}};

    // The validation adds the manual page's service, which the agent of the
    // backup server's zone runs.
    for (const std::string& block : monitoring::MonitoringExamples())
        if (block.rfind("object Service ", 0) == 0)
            harness::WriteFile(dir.path() + "/zones.d/master/example.conf", block);
    harness::WriteFile(dir.path() + "/etc/validate.conf", Configuration(dir.path(), unanswered) +
                                                              R"(object Endpoint "master" { }
object Zone "master" { endpoints = [ "master" ] }
object Endpoint "backup-srv" { }
object Zone "backup-srv" { endpoints = [ "backup-srv" ]; parent = "master" }
include_zones "examples", ")" + dir.path() + R"(/zones.d"
)");
    std::vector<std::string> validate =
        DaemonArguments(dir.path(), "validate.conf",
                        IncludeFolderWith(SHIPPED_ICINGA_CONF, dir.path() + "/shipped"));
    validate.push_back("-C");
    const harness::RunResult valid = harness::Run({validate, env});
    ASSERT_EQ(valid.exitCode, 0) << valid.out << valid.err;
    ASSERT_NE(valid.out.find("Instantiated 7 Services"), std::string::npos) << valid.out;

    harness::Service daemon(
        DaemonArguments(dir.path(), "icinga2.conf",
                        IncludeFolderWith(TESTED_ICINGA_CONF, dir.path() + "/tested")),
        env, dir.path() + "/daemon.log");
    // cvcc's own answer at the shipped deadline, meanwhile.
    const Row& slowest = *std::find_if(kRows.begin(), kRows.end(),
                                       [](const Row& row) { return row.service == "deadline"; });
    net.StartCvcc(ByHand(slowest, unanswered));
    std::map<std::string, Record> records;
    for (int polls = 0; records.size() < kRows.size() && polls < 1200; ++polls) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        records = Records(dir.path() + "/records");
    }
    std::map<std::string, harness::CvccResult> byHand;
    byHand[slowest.service] = net.WaitCvcc();
    daemon.Stop();
    for (const Row& row : kRows)
        if (&row != &slowest) byHand[row.service] = net.RunCvcc(ByHand(row, unanswered));

    for (const Row& row : kRows) {
        SCOPED_TRACE(row.service);
        const auto found = records.find(row.service);
        if (found == records.end()) {
            ADD_FAILURE() << "no result recorded; the daemon's log:\n"
                          << harness::ReadFile(dir.path() + "/daemon.log");
            continue;
        }
        const Record& r = found->second;
        std::cout << row.service << "\t" << r.state << "\t" << r.firstLine << "\t" << r.perfdata
                  << "\n";
        EXPECT_EQ(r.state, row.state);
        EXPECT_EQ(r.firstLine, row.firstLine + (row.perfdata.empty() ? "" : " "));
        EXPECT_EQ(r.perfdata, row.perfdata);
        // What cvcc itself printed: "FIRST LINE | PERFDATA" and the rest;
        // the engine keeps the space before the bar.
        const harness::CvccResult& own = byHand[row.service];
        const std::string first = own.out.substr(0, own.out.find('\n'));
        const auto bar = first.find('|');
        EXPECT_EQ(own.exitCode, r.state);
        EXPECT_EQ(first.substr(0, bar), r.firstLine);
        EXPECT_EQ(bar == std::string::npos ? "" : first.substr(bar + 2), r.perfdata);
    }
}

}  // namespace
