// The fuzz build's stand-in for the members of ConsoleApp that reach the
// network: each records that it was called and consumes its arguments the
// way the real one does, so the dispatcher and the task commands run on an
// empty task snapshot without a Coordinator or a server.
#include "fuzz/dispatcher_double.h"

#include "client/ConsoleApp.h"
#include "client/ConsoleAppEx.h"
#include "client/sweep.h"

std::vector<std::string>& RecordedCalls() {
    static std::vector<std::string> calls;
    return calls;
}

void ConsoleApp::ConnectToServer() {
    RecordedCalls().push_back("server");
    // With no server there is nothing the close command could call.
    throw ConsoleAppEx(L"no server in the fuzz build");
}

bool ConsoleApp::CheckServerVersion() {
    return true;
}

void ConsoleApp::OpenSession() {
    RecordedCalls().push_back("session");
}

void ConsoleApp::SetProxy() {
    RecordedCalls().push_back("proxy");
    ++argumentIndex;
    if (argumentIndex >= arguments.size())
        throw ConsoleAppEx(L"Please, specify your proxy host and port, e.g. myproxy:8000");
    argumentIndex = static_cast<std::uint32_t>(arguments.size());
}

void ConsoleApp::CleanCoordinator() {
    RecordedCalls().push_back("coordinator");
    ++argumentIndex;
    // Without an ORB the network context lists nothing: the sweep tells its
    // heading and that nothing was removed.
    Sweep(*this, *reporter);
}
