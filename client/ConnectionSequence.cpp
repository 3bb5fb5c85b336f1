// Before a command talks to the backup server: the Coordinator's port from
// the registry, the connection, the server named after this computer, its
// version and, for most commands, a session and a snapshot of its tasks.
#include "client/CCommonException.h"
#include "client/ConsoleApp.h"
#include "client/ConsoleAppEx.h"
#include "idl/wire_text.h"
#include "utility/registry.h"
#include "utility/strings.h"
#include "utility/system.h"

namespace {

constexpr const wchar_t* kSettingsKey =
    L"SOFTWARE\\Tarmelin\\Corvane 7\\Configuration\\Server Connection Settings";
constexpr const wchar_t* kPortValue = L"CoordPort";
constexpr const wchar_t* kDefaultPort = L"1755";
constexpr const char* kExpectedVersion = "7.4.4";
// Also the text of a server that is not bound: the lookup's report on stderr
// says why.
constexpr const wchar_t* kVersionNotSupported = L"\nThis Server version not supported";

}  // namespace

void ConsoleApp::HintNoCoordinator(const std::wstring& host, const std::wstring& port,
                                   const std::string& portSource) {
    reporter->Hint("no Coordinator answered at " + CVLib::strings::toAstr(host) + ":" +
                   CVLib::strings::toAstr(port) + " (" + portSource + ")");
}

void ConsoleApp::ConnectToCoordinator(const std::wstring& host, const std::wstring& port,
                                      const std::string& portSource) {
    bool connectedNow = false;
    try {
        connectedNow = Connect(host, port);
    } catch (...) {
        HintNoCoordinator(host, port, portSource);
        throw;
    }
    if (!connectedNow) {
        HintNoCoordinator(host, port, portSource);
        throw ConsoleAppEx(L"\nCan't connect to coordinator");
    }
}

void ConsoleApp::ConnectToServer() {
    if (connected) return;
    if (arguments.empty()) {
        ++argumentIndex;
        reporter->Usage();
        argumentIndex = static_cast<std::uint32_t>(arguments.size());
        throw ConsoleAppEx(L"\nNot enough parameters");
    }
    coordinatorHost = L"localhost";

    // The port stays text all the way to the CORBA layer; it is not checked here.
    CVLib::system::CRegistry registry(CVLib::system::HKEY_CURRENT_USER);
    bool portRead = false;
    if (registry.Open(kSettingsKey)) {
        portRead = registry.Read(kPortValue, coordinatorPort);
        registry.Close();
    }
    if (!portRead) coordinatorPort = kDefaultPort;
    const std::string file = CVLib::system::CRegistry::UserFilePath();
    const std::string portSource = portRead ? "port from CoordPort in " + file
                                            : "default port: no CoordPort read from " + file;
    ConnectToCoordinator(coordinatorHost, coordinatorPort, portSource);
    try {
        server = GetLocalServer();
    } catch (const CCommonException&) {
        // The Coordinator answered the connection and was gone at the lookup.
        HintNoCoordinator(coordinatorHost, coordinatorPort, portSource);
        throw;
    }
    if (CORBA::is_nil(server)) {
        reporter->Hint("no backup server is bound as " + LocalServerName() +
                       " on the Coordinator at " + CVLib::strings::toAstr(coordinatorHost) + ":" +
                       CVLib::strings::toAstr(coordinatorPort));
        throw ServerNotFound(kVersionNotSupported);
    }
    if (!CheckServerVersion()) throw ConsoleAppEx(kVersionNotSupported);
    connected = true;
}

bool ConsoleApp::CheckServerVersion() {
    if (CORBA::is_nil(server)) return false;
    CORBA::WString_var version = server->version();
    const std::wstring text = wiretext::FromWire(version.in());
    if (text.find(CVLib::strings::toWstr(kExpectedVersion)) == 0) {
        reporter->ServerVersionAccepted(text);
        return true;
    }
    reporter->ServerVersionRefused(text);
    return false;
}

void ConsoleApp::OpenSession() {
    if (sessionOpen) return;
    ConnectToServer();
    const std::wstring login = wiretext::ToWire(CVLib::system::GetCurrentUserAndDomain());
    session = server->ActivateSession(login.c_str(), L"");
    // From here the session is the run's to close, also when the snapshot
    // below fails: a server that answers keeps no session of an ended run.
    sessionOpen = true;
    tasks.reset(session->tasks());
    taskCount = tasks->length();
    deleted.assign(taskCount, false);
}
