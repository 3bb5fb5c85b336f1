// The commands that act on the server or on the Coordinator rather than on
// tasks: the proxy settings and the sweep of dead workstations. The close
// command runs inside the dispatcher.
#include "client/ConsoleApp.h"
#include "client/ConsoleAppEx.h"
#include "client/wtoi.h"
#include "corba/exception_info.h"
#include "idl/wire_text.h"

namespace {

constexpr const wchar_t* kProxyFailed = L"Failed to set proxy due the unknown error.";

}  // namespace

void ConsoleApp::SetProxy() {
    ++argumentIndex;
    if (argumentIndex >= arguments.size())
        throw ConsoleAppEx(L"Please, specify your proxy host and port, e.g. myproxy:8000");
    const std::wstring& argument = arguments[argumentIndex];
    const auto colon = argument.find(L':');
    if (colon == std::wstring::npos)
        throw ConsoleAppEx(
            L"Please, specify your proxy host and port in the following format: myproxy:8000");
    const std::wstring host = argument.substr(0, colon);
    const auto port = static_cast<CORBA::ULong>(Wtoi(argument.substr(colon + 1)));
    try {
        BackupNetwork::ServerSettings_var settings = session->settings();
        settings->proxyHost(wiretext::ToWire(host).c_str());
        settings->proxyPort(port);
    } catch (const CORBA::Exception& e) {
        // The console's text names no cause; stderr does.
        reporter->Hint(std::string("the proxy could not be set: ") + e._name() + ", " +
                       ExceptionInfo(e));
        std::throw_with_nested(ConsoleAppEx(kProxyFailed));
    } catch (...) {
        std::throw_with_nested(ConsoleAppEx(kProxyFailed));
    }
    reporter->ProxySet(host, port);
    argumentIndex = static_cast<std::uint32_t>(arguments.size());
}

void ConsoleApp::CleanCoordinator() {
    ++argumentIndex;
    if (connected) return;
    // The sweep always uses the Coordinator on its standard port, whatever
    // the registry says.
    ConnectToCoordinator(L"localhost", L"1755", "the sweep's default port");
    reporter->SweepBegun();
    // The names keep the Coordinator's bytes for the unbinding; told, they
    // are the Coordinator's text, decoded strictly. They are kept as they
    // are removed, so a sweep that fails half-way still tells them.
    std::vector<std::wstring> removed;
    try {
        RemoveDeadWorkstationsOnCoordinator([&removed](const std::wstring& wireName) {
            removed.push_back(wiretext::FromWire(wireName));
        });
    } catch (const CORBA::TRANSIENT&) {
        // The sweep takes the workstations' TRANSIENT itself: this one is
        // the Coordinator's, which the console's text puts on the server.
        reporter->SweepFailed(removed);
        reporter->Hint("the Coordinator at localhost:1755 was lost during the sweep");
        throw;
    } catch (...) {
        reporter->SweepFailed(removed);
        throw;
    }
    reporter->Swept(removed);
    Disconnect();
}
