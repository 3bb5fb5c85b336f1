// The package's Icinga 2 command "cvcc" in Debian's Icinga 2, against a
// simulated backup server: `icinga2 daemon -C` accepts the shipped file as
// `include <plugins-contrib>` reads it, beside the manual page's service; one
// daemon, with a checker and a PerfdataWriter, runs a service in each state
// and two that meet cvcc's deadline, and records for each the state, the
// output's first line and the perfdata that `cvcc --Check` prints by hand.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "harness/backup_network.h"
#include "harness/coordinator.h"
#include "harness/network.h"
#include "harness/process.h"
#include "tests/e2e/cvcc_case.h"
#include "tests/monitoring/man_page_examples.h"
#include "tests/support/network_skip.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kIcinga = "/usr/sbin/icinga2";
constexpr const char* kIncludeDir = "/usr/share/icinga2/include";
// The shipped command with a registry whose Coordinator is frozen.
constexpr const char* kUnanswered = "cvcc-unanswered";

const char* const kScenario = R"({"tasks": [
    {"id": 1, "name": "Daily documents", "status": "tsSuccess"},
    {"id": 2, "name": "Mail", "status": "tsError"},
    {"id": 3, "name": "Laptops", "status": "tsStopped"},
    {"id": 4, "name": "Archive", "status": "tsBackup"}]})";

struct Row {
    std::string service, command;
    std::vector<std::string> tasks;  // vars.cvcc_tasks; none: not set
    int timeout;                     // vars.cvcc_timeout; 0: the shipped one
    int state;
};

// The deadline's rows: at the shipped one, within the shipped engine
// timeout, the answer is cvcc's own, not the engine's kill.
const std::vector<Row> kRows = {
    {"ok", "cvcc", {"Daily documents", "Archive"}, 0, 0},
    {"warning", "cvcc", {"Laptops"}, 0, 1},
    {"critical", "cvcc", {}, 0, 2},
    {"unknown", "cvcc", {"Tapes"}, 0, 3},
    {"deadline", kUnanswered, {}, 0, 3},
    {"deadline_of_2_s", kUnanswered, {}, 2, 3},
};

struct Record {
    int state = -1;
    std::string firstLine, perfdata;
};

// Debian's include folder, with `conf` where the package installs it.
std::string IncludeFolderWith(const std::string& conf, const std::string& folder) {
    for (const std::string sub : {"", "/plugins-contrib.d"}) {
        fs::create_directories(folder + sub);
        for (const auto& entry : fs::directory_iterator(kIncludeDir + sub))
            if (entry.path().filename() != "plugins-contrib.d")
                fs::create_symlink(entry.path(),
                                   folder + sub + "/" + entry.path().filename().string());
    }
    fs::copy_file(conf, folder + "/plugins-contrib.d/cvcc.conf");
    return folder;
}

// Debian's constants and includes, a checker, a PerfdataWriter that writes a
// line a result, and a service a row; {dir} is the case's folder.
std::string Configuration(const std::string& dir) {
    std::string text = R"(const PluginDir = "/usr/lib/nagios/plugins"
const PluginContribDir = "/usr/lib/nagios/plugins"
include <itl>
include <plugins>
include <plugins-contrib>
object CheckerComponent "checker" { }
object PerfdataWriter "records" {
  service_perfdata_path = "{dir}/records/service"
  service_temp_path = "{dir}/records/service.tmp"
  host_perfdata_path = "{dir}/records/host"
  host_temp_path = "{dir}/records/host.tmp"
  service_format_template = "RESULT\t$service.name$\t$service.state_id$\t$service.perfdata$\t$service.output$"
  rotation_interval = 1s
}
object CheckCommand "cvcc-unanswered" {
  import "cvcc"
  env.XDG_CONFIG_HOME = "{dir}/unanswered"
}
object Host "backup-srv" { check_command = "dummy"; check_interval = 1h }
)";
    for (const Row& row : kRows)
        text +=
            "object Service \"" + row.service + "\" {\n  host_name = \"backup-srv\"\n" +
            "  check_command = \"" + row.command + "\"\n" +
            "  check_interval = 1s\n  retry_interval = 1s\n" +
            (row.tasks.empty() ? ""
                               : "  vars.cvcc_tasks = " + nlohmann::json(row.tasks).dump() + "\n") +
            (row.timeout ? "  vars.cvcc_timeout = " + std::to_string(row.timeout) + "\n" : "") +
            "}\n";
    return std::regex_replace(text, std::regex("\\{dir\\}"), dir);
}

std::vector<std::string> Daemon(const std::string& dir, const std::string& config,
                                const std::string& include) {
    std::vector<std::string> args = {kIcinga,
                                     "daemon",
                                     "-c",
                                     dir + "/etc/" + config,
                                     "-DIncludeConfDir=" + include,
                                     "-DRunAsUser=root",
                                     "-DRunAsGroup=root"};
    for (const auto& [name, sub] : {std::pair{"ConfigDir", "etc"},
                                    {"DataDir", "var/lib"},
                                    {"LogDir", "var/log"},
                                    {"CacheDir", "var/cache"},
                                    {"SpoolDir", "var/spool"},
                                    {"InitRunDir", "var/run"}}) {
        fs::create_directories(dir + "/" + sub);
        args.push_back(std::string("-D") + name + "=" + dir + "/" + sub);
    }
    return args;
}

// A result of each service among the files the PerfdataWriter rotated out.
// The output's later lines follow on lines of their own.
std::map<std::string, Record> Records(const std::string& folder) {
    static const std::regex kResult("^RESULT\t([^\t]*)\t([0-9])\t([^\t]*)\t(.*)$");
    std::map<std::string, Record> records;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename() == "service.tmp" || entry.path().stem() != "service") continue;
        std::istringstream text(harness::ReadFile(entry.path().string()));
        std::smatch m;
        for (std::string line; std::getline(text, line);)
            if (std::regex_match(line, m, kResult))
                records.emplace(m[1], Record{std::stoi(m[2]), m[4], m[3]});
    }
    return records;
}

// The row's check run by hand, as the engine runs its command.
harness::CvccRun ByHand(const Row& row, const std::string& dir) {
    harness::CvccRun run;
    run.args = {"--Check"};
    run.args.insert(run.args.end(), row.tasks.begin(), row.tasks.end());
    if (row.command == kUnanswered) run.env.push_back({"XDG_CONFIG_HOME", dir + "/unanswered"});
    if (row.timeout) run.env.push_back({"CVCC_CHECK_TIMEOUT", std::to_string(row.timeout)});
    return run;
}

TEST(Icinga, RunsTheShippedCommandInEachState) {
    harness::BackupNetwork net({"backup-srv", 1755, kScenario});
    if (!net.isolated()) {
        SKIP_WITHOUT_NETWORK("Icinga 2 runs only in a network of the case's own, as root");
    }
    if (!fs::exists(kIcinga)) {
        SKIP_WITHOUT_NETWORK("icinga2 is not installed (make deps)");
    }
    // A Coordinator that accepts the connection and never answers.
    harness::Coordinator frozen(harness::FreePort());
    const harness::ScopedStop stopped(frozen.pid());
    harness::TempDir temp;
    const std::string dir = temp.path();
    for (const char* sub : {"/unanswered/cvcc", "/records", "/zones.d/master", "/etc"})
        fs::create_directories(dir + sub);
    harness::WriteFile(dir + "/unanswered/cvcc/registry.reg",
                       e2e::RegistryWithPort("\"" + std::to_string(frozen.port()) + "\""));
    harness::WriteFile(dir + "/etc/icinga2.conf", Configuration(dir));
    // cvcc reads the registry of the case's home, not the tester's.
    const harness::EnvChanges env = {{"HOME", net.home()}, {"XDG_CONFIG_HOME", std::nullopt}};

    // The manual page's service runs on the agent of the backup server's zone.
    for (const std::string& block : monitoring::MonitoringExamples())
        if (block.rfind("object Service ", 0) == 0)
            harness::WriteFile(dir + "/zones.d/master/example.conf", block);
    harness::WriteFile(dir + "/etc/validate.conf", Configuration(dir) + R"(
object Endpoint "master" { }
object Zone "master" { endpoints = [ "master" ] }
object Endpoint "backup-srv" { }
object Zone "backup-srv" { endpoints = [ "backup-srv" ]; parent = "master" }
include_zones "examples", ")" + dir + "/zones.d\"\n");
    std::vector<std::string> validate =
        Daemon(dir, "validate.conf", IncludeFolderWith(SHIPPED_ICINGA_CONF, dir + "/shipped"));
    validate.push_back("-C");
    const harness::RunResult valid = harness::Run({validate, env});
    ASSERT_EQ(valid.exitCode, 0) << valid.out << valid.err;
    ASSERT_NE(valid.out.find("Instantiated 7 Services"), std::string::npos) << valid.out;

    harness::Service daemon(
        Daemon(dir, "icinga2.conf", IncludeFolderWith(TESTED_ICINGA_CONF, dir + "/tested")), env,
        dir + "/daemon.log");
    // cvcc's own answer at the shipped deadline, meanwhile.
    const Row& slowest = *std::find_if(kRows.begin(), kRows.end(),
                                       [](const Row& row) { return row.service == "deadline"; });
    net.StartCvcc(ByHand(slowest, dir));
    std::map<std::string, Record> records;
    for (int polls = 0; records.size() < kRows.size() && polls < 1200; ++polls) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        records = Records(dir + "/records");
    }
    std::map<std::string, harness::CvccResult> byHand;
    byHand[slowest.service] = net.WaitCvcc();
    daemon.Stop();
    for (const Row& row : kRows)
        if (&row != &slowest) byHand[row.service] = net.RunCvcc(ByHand(row, dir));

    for (const Row& row : kRows) {
        SCOPED_TRACE(row.service);
        if (!records.count(row.service)) {
            ADD_FAILURE() << "no result; the daemon's log:\n"
                          << harness::ReadFile(dir + "/daemon.log");
            continue;
        }
        const Record& r = records[row.service];
        std::cout << row.service << "\t" << r.state << "\t" << r.firstLine << "\t" << r.perfdata
                  << "\n";
        EXPECT_EQ(r.state, row.state);
        // cvcc prints "FIRST LINE | PERFDATA" and the rest; the engine keeps
        // the space before the bar.
        const harness::CvccResult& own = byHand[row.service];
        const std::string first = own.out.substr(0, own.out.find('\n'));
        const auto bar = first.find('|');
        EXPECT_EQ(own.exitCode, r.state);
        EXPECT_EQ(first.substr(0, bar), r.firstLine);
        EXPECT_EQ(bar == std::string::npos ? "" : first.substr(bar + 2), r.perfdata);
    }
}

}  // namespace
