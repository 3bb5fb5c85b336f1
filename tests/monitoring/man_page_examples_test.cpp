// The runs that the manual page's MONITORING section shows are real: each
// "$ cvcc ..." line is run against the server the examples describe and
// prints what the page shows under it, to a line "..." that cuts it short.
// The run's duration is the one value that changes from run to run.
#include "tests/monitoring/man_page_examples.h"

#include <gtest/gtest.h>

#include <sstream>

#include "harness/backup_network.h"
#include "tests/support/expected.h"
#include "tests/support/network_skip.h"

namespace {

const char* const kScenario = R"({"tasks": [
    {"id": 1, "name": "Nightly", "status": "tsSuccess"},
    {"id": 3, "name": "Documents", "status": "tsBackup"},
    {"id": 4, "name": "Mail", "status": "tsError"}]})";

TEST(ManPage, MonitoringExamplesAreRealRuns) {
    harness::BackupNetwork net({"backup-srv", 1755, kScenario});
    if (!net.skipReason().empty()) {
        SKIP_WITHOUT_NETWORK(net.skipReason());
    }
    int runs = 0;
    for (const std::string& block : monitoring::MonitoringExamples()) {
        if (block.rfind("$ cvcc ", 0) != 0) continue;
        // "$ cvcc ARGS" lines, each followed by what it prints.
        std::istringstream lines(block);
        std::vector<std::pair<std::string, std::string>> shown;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("$ cvcc ", 0) == 0)
                shown.push_back({line.substr(7), ""});
            else
                shown.back().second += line + "\n";
        }
        for (const auto& [command, output] : shown) {
            SCOPED_TRACE(command);
            harness::CvccRun run;
            std::istringstream words(command);
            for (std::string word; words >> word;) run.args.push_back(word);
            const std::string cut = "...\n";
            const auto end = output.find(cut);
            const std::string out = net.RunCvcc(run).out;
            EXPECT_EQ(support::DurationAsD(end == std::string::npos ? out : out.substr(0, end)),
                      support::DurationAsD(output.substr(0, end)));
            ++runs;
        }
    }
    EXPECT_GE(runs, 3);
}

}  // namespace
