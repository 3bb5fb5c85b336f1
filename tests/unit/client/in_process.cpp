#include "tests/unit/client/in_process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

#include "client/ConsoleApp.h"
#include "client/run.h"
#include "harness/files.h"
#include "sim/journal.h"
#include "sim/scenario.h"
#include "sim/server_servants.h"
#include "sim/simulation.h"
#include "tests/support/cerr_capture.h"
#include "tests/support/loopback_orb.h"
#include "utility/strings.h"

namespace inprocess {

Ran RunInProcess(const char* name, const std::string& scenario,
                 const std::vector<std::string>& args, int signalAtSleep) {
    harness::TempDir dir;
    const std::string journalPath = dir.path() + "/journal";
    std::wostringstream console;
    Ran ran;
    CerrCapture err;
    {
        bnsim::Journal journal(journalPath);
        bnsim::Simulation sim(support::LoopbackOrb(), journal, bnsim::ParseScenario(scenario, name),
                              "in-process");
        bnsim::CreateTasks(sim);
        CORBA::Object_var object = sim.Activate(new bnsim::ServerServant(sim), "server");
        BackupNetwork::Server_var server = BackupNetwork::Server::_narrow(object);
        std::vector<std::wstring> texts = {L"cvcc"};
        for (const std::string& arg : args) texts.push_back(CVLib::strings::toWstr(arg));
        std::vector<wchar_t*> argv;
        for (std::wstring& text : texts) argv.push_back(text.data());
        ran.exitCode = RunToExitCode(
            [&] {
                return ConsoleApp(static_cast<int>(argv.size()), argv.data(), server, console,
                                  [&](std::chrono::milliseconds d) {
                                      ran.sleeps.push_back(d);
                                      if (!signalAtSleep) return;
                                      ::raise(signalAtSleep);
                                      // Caught once: a second one would end the program at once.
                                      struct sigaction now = {};
                                      ::sigaction(signalAtSleep, nullptr, &now);
                                      EXPECT_EQ(now.sa_handler, SIG_DFL);
                                  })
                    .Run();
            },
            console);
    }
    ran.out = CVLib::strings::toAstr(console.str());
    ran.err = err.str();
    ran.journal = harness::ReadFile(journalPath);
    // Outside a wait the signals keep their default action.
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction now = {};
        ::sigaction(signal, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL);
    }
    return ran;
}

}  // namespace inprocess
