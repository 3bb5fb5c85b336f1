#include "tests/e2e/cvcc_case.h"

#include <signal.h>
#include <sys/wait.h>

#include <regex>
#include <set>
#include <thread>

#include "tests/support/network_skip.h"

namespace e2e {

std::string AfterBanner(const std::string& out) {
    static const std::regex kBanner(
        "\nCorvane Console Client v11\\.00\n"
        "Copyright \\(C\\) 2003-20[0-9]{2} Tarmelin Software\\. All rights reserved\\.\n\n");
    std::smatch match;
    if (!std::regex_search(out, match, kBanner, std::regex_constants::match_continuous)) {
        ADD_FAILURE() << "no banner at the start of: " << out;
        return out;
    }
    return match.suffix();
}

std::string Expected(std::string text, const harness::BackupNetwork& net) {
    for (const auto& [mark, value] : {std::pair{std::string("{host}"), net.hostname()},
                                      std::pair{std::string("{registry}"), net.registryPath()}})
        for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at))
            text.replace(at, mark.size(), value);
    return text;
}

std::string RegistryWithPort(const std::string& value) {
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_CURRENT_USER\\SOFTWARE\\Tarmelin\\Corvane 7\\Configuration\\Server Connection "
           "Settings]\r\n"
           "\"CoordPort\"=" +
           value + "\r\n";
}

void RunCase(const CvccCase& c, const Around& around) {
    harness::BackupNetwork net({"backup-srv", c.port, c.scenario});
    if (!net.skipReason().empty()) SKIP_WITHOUT_NETWORK(net.skipReason());
    if (around.before) around.before(net);
    harness::CvccRun run{c.args, around.env, c.registry};
    if (around.hangsFor) run.timeout = *around.hangsFor;
    net.StartCvcc(run);
    if (around.during) around.during(net);
    const harness::CvccResult r = net.WaitCvcc();
    EXPECT_EQ(r.timedOut, around.hangsFor.has_value());
    EXPECT_FALSE(r.leftBehind);
    // The JSON mode and the monitoring check print no banner.
    const bool json = !c.args.empty() && (c.args[0] == "--Json" || c.args[0] == "-j");
    const std::string& key = c.args.size() > (json ? 1u : 0u) ? c.args[json ? 1 : 0] : "";
    const bool check = key == "--Check" || key == "-chk";
    EXPECT_EQ(json || check ? r.out : AfterBanner(r.out), Expected(c.out, net));
    EXPECT_EQ(r.err, Expected(c.err, net));
    if (around.hangsFor)
        EXPECT_EQ(r.termSignal, SIGKILL);
    else
        EXPECT_EQ(r.exitCode, c.exitCode);
    if (around.simulatorStatus >= 0) {
        const int status = net.WaitForSimulatorExit();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == around.simulatorStatus) << status;
    }
    ExpectActions(net, r, c.actions);
    if (around.after) around.after(net);
}

void ExpectActions(harness::BackupNetwork& net, const harness::CvccResult& r,
                   const std::vector<std::string>& expected) {
    // Oneway requests (the session's end above all) may still be on their
    // way into the journal when cvcc has ended.
    std::vector<std::string> actions = harness::Actions(r.journal);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (actions.size() < expected.size() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        actions = harness::Actions(net.Journal());
    }
    EXPECT_EQ(actions, expected);
}

}  // namespace e2e
