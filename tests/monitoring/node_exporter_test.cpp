// Debian's node exporter reads the file that the package's unit has cvcc
// write (its ExecStart, into a folder of the case's own) against bnsim: the
// demo's tasks, names the format must escape, a failed run; and a run killed
// while it writes, or held by a frozen server, leaves the old file or a whole
// new one. Each scrape must show no textfile error and every series with the
// value the scenario implies, as the exporter serves it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <iostream>
#include <iterator>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "harness/backup_network.h"
#include "harness/files.h"
#include "harness/network.h"
#include "harness/process.h"
#include "tests/support/expected.h"
#include "tests/support/network_skip.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kExporter = "/usr/bin/prometheus-node-exporter";
constexpr const char* kCurl = "/usr/bin/curl";
constexpr const char* kSystemdAnalyze = "/usr/bin/systemd-analyze";
constexpr const char* kDebianTextfiles = "/var/lib/prometheus/node-exporter/";

// Names the format escapes, one that is not valid text (a lone surrogate,
// which the listing prints as U+FFFD), a status past the known ones, and
// two tasks of one id and name, of which the first is kept
// (scrapes/hard_names.txt).
const char* const kHardNamesScenario = R"({"tasks": [
    {"id": 7, "name": "Say \"cheese\"", "status": "tsSuccess"},
    {"id": 8, "name": "C:\\Backups\\", "status": "tsError"},
    {"id": 9, "name": "two\nlines", "status": "tsStopped"},
    {"id": 10, "name": [65, 56475, 66], "status": 42},
    {"id": 7, "name": "Say \"cheese\"", "status": "tsError"}]})";
struct Row {
    std::string label;
    std::string scenario;  // bnsim's from this row on; empty: the one it plays
    std::vector<std::string> wrapper;
    harness::EnvChanges env;
    bool frozen;  // bnsim is stopped (SIGSTOP) while cvcc runs
    int exitCode;
    int signal;          // the signal that ends cvcc, or 0
    std::string during;  // the scrape while cvcc runs; empty: none is made
    std::string after;   // the scrape afterwards
};

// In order: each row's file is the next one's old file.
// clang-format off
const std::vector<Row> kRows = {
    {"demo", harness::ReadFile(DEMO_SCENARIO), {}, {}, false, 0, 0, "", "demo"},
    // Killed by the file size limit once 1 KiB of the new file is written
    // (no core file left behind).
    {"killed_while_writing", "", {"/usr/bin/prlimit", "--fsize=1024", "--core=0", "--"}, {}, false,
     -1, SIGXFSZ, "", "demo"},
    {"frozen_server", "", {}, {{"CVCC_CHECK_TIMEOUT", "2"}}, true, 1, 0, "demo", "failed"},
    {"hard_names", kHardNamesScenario, {}, {}, false, 0, 0, "", "hard_names"},
    {"no_server", R"({"server": {"bound": false}})", {}, {}, false, 1, 0, "", "failed"},
};
// clang-format on

// The arguments of the unit's ExecStart, after the program, with Debian's
// textfile folder replaced by `folder`; none when it writes elsewhere.
std::vector<std::string> UnitArguments(const std::string& folder) {
    std::smatch m;
    const std::string unit = harness::ReadFile(TESTED_UNITS "/cvcc-metrics.service");
    if (!std::regex_search(unit, m, std::regex("\nExecStart=[^ \n]+ ([^\n]*)")) ||
        m[1].str().find(kDebianTextfiles) == std::string::npos)
        return {};
    std::istringstream words(
        std::regex_replace(m[1].str(), std::regex(kDebianTextfiles), folder + "/"));
    return {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
}

// The scrape's lines that are cvcc's or tell how the textfiles were read,
// with the run's duration as D and the file's time as T.
std::string Scrape(int port) {
    const harness::RunResult r =
        harness::Run({{kCurl, "-sS", "http://127.0.0.1:" + std::to_string(port) + "/metrics"}, {}});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    static const std::regex kOthers("^(?!# HELP cvcc_|# TYPE cvcc_|cvcc_|node_textfile_).*\n",
                                    std::regex::multiline);
    static const std::regex kTime("^(node_textfile_mtime_seconds\\{.*\\}) .*$",
                                  std::regex::multiline);
    return std::regex_replace(support::DurationAsD(std::regex_replace(r.out, kOthers, "")), kTime,
                              "$1 T");
}

// What the exporter serves of cvcc's families and of how it read the
// textfiles, for each scrape of the rows (scrapes/NAME.txt): the run's
// duration reads D, the file's time T, the case's folder {dir} and cvcc's
// version {version}. The exporter orders families and series by name.
std::string Expected(const std::string& name, const std::string& folder) {
    const std::string text = harness::ReadFile(SCRAPES "/" + name + ".txt");
    return std::regex_replace(std::regex_replace(text, std::regex("\\{dir\\}"), folder),
                              std::regex("\\{version\\}"), CVCC_VERSION);
}

// systemd takes the service and the timer without a word: a misspelt key
// would be ignored with a warning, and the unit would run without it.
TEST(MetricsUnits, SystemdTakesThemWhole) {
    const harness::RunResult r =
        harness::Run({{kSystemdAnalyze, "verify", "--man=no", TESTED_UNITS "/cvcc-metrics.service",
                       TESTED_UNITS "/cvcc-metrics.timer"},
                      {}});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out + r.err, "");
}

TEST(NodeExporter, ReadsWhatTheUnitHasCvccWrite) {
    harness::BackupNetwork net({"backup-srv", 1755, "{}"});
    if (!net.isolated()) {
        SKIP_WITHOUT_NETWORK("the node exporter runs only in a network of the case's own, as root");
    }
    if (!fs::exists(kExporter) || !fs::exists(kCurl)) {
        SKIP_WITHOUT_NETWORK("prometheus-node-exporter or curl is not installed (make deps)");
    }

    harness::TempDir dir;
    const std::string folder = dir.path() + "/textfiles";
    fs::create_directories(folder);
    const std::vector<std::string> args = UnitArguments(folder);
    ASSERT_FALSE(args.empty()) << "the unit writes outside " << kDebianTextfiles;
    const std::string file = folder + "/cvcc.prom";
    const int port = harness::FreePort();
    harness::Service exporter({kExporter, "--collector.disable-defaults", "--collector.textfile",
                               "--collector.textfile.directory=" + folder,
                               "--web.listen-address=127.0.0.1:" + std::to_string(port)},
                              {}, dir.path() + "/exporter.log");
    ASSERT_TRUE(harness::WaitForPort(port)) << harness::ReadFile(dir.path() + "/exporter.log");

    for (const Row& row : kRows) {
        SCOPED_TRACE(row.label);
        if (!row.scenario.empty()) net.StartSimulator(row.scenario);
        const std::string before = fs::exists(file) ? harness::ReadFile(file) : "";
        harness::CvccRun run;
        run.args = args;
        run.env = row.env;
        run.wrapper = row.wrapper;
        std::optional<harness::ScopedStop> stopped;
        if (row.frozen) stopped.emplace(net.simulatorPid());
        net.StartCvcc(run);
        if (!row.during.empty()) {
            EXPECT_EQ(Scrape(port), Expected(row.during, folder));
        }
        const harness::CvccResult r = net.WaitCvcc();
        stopped.reset();
        EXPECT_EQ(r.exitCode, row.exitCode) << r.err;
        EXPECT_EQ(r.termSignal, row.signal);
        const std::string scrape = Scrape(port);
        EXPECT_EQ(scrape, Expected(row.after, folder));
        if (row.label == "demo") std::cout << scrape;
        // Killed, it leaves the old file as it was.
        if (row.signal) {
            EXPECT_EQ(harness::ReadFile(file), before);
        }
        // The node exporter runs as a user of its own.
        struct stat st {};
        ASSERT_EQ(stat(file.c_str(), &st), 0);
        EXPECT_TRUE(st.st_mode & S_IROTH) << std::oct << st.st_mode;
    }
}

}  // namespace
