// The commands that act on the server or on the Coordinator rather than on
// tasks: the proxy settings and the sweep of dead workstations. The close
// command runs inside the dispatcher.
#include "client/ConsoleApp.h"
#include "client/ConsoleAppEx.h"
#include "client/sweep.h"
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
    ConnectToCoordinator(kSweepHost, kSweepPort, "the sweep's default port");
    Sweep(*this, *reporter);
    Disconnect();
}
