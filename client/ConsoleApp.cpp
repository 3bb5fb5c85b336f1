#include "client/ConsoleApp.h"

#include <exception>
#include <iostream>
#include <utility>

#include "client/ConsoleAppEx.h"
#include "client/check_reporter.h"
#include "client/console_reporter.h"
#include "client/json_reporter.h"
#include "client/metrics_reporter.h"
#include "client/wait_interruption.h"
#include "corba/exception_info.h"
#include "utility/strings.h"

ConsoleApp::ConsoleApp(int argc, wchar_t* argv[])
    : console(std::wcout), sleep(console::InterruptibleSleep), armDeadline(ArmProcessDeadline) {
    // The ORB's teardown keeps its "NameService" initial reference.
    SetDropNameServiceRef(false);
    SetArguments(argc, argv);
}

ConsoleApp::ConsoleApp(int argc, wchar_t* argv[], BackupNetwork::Server_ptr foundServer,
                       std::wostream& console, Sleeper sleep)
    : console(console),
      sleep(std::move(sleep)),
      armDeadline(NeverExpires),
      server(BackupNetwork::Server::_duplicate(foundServer)),
      connected(true) {
    SetDropNameServiceRef(false);
    SetArguments(argc, argv);
}

ConsoleApp::~ConsoleApp() {
    try {
        if (sessionOpen) server->DeactivateSession(session);
        if (connected) Disconnect();
    } catch (const CORBA::Exception&) {
        // The run's outcome is decided; a failing teardown does not change it.
    }
}

void ConsoleApp::SetArguments(int argc, wchar_t* argv[]) {
    arguments.clear();
    argumentIndex = 0;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    reporter = MakeReporter(arguments, console, armDeadline);
}

std::unique_ptr<Reporter> ConsoleApp::MakeReporter(std::vector<std::wstring>& arguments,
                                                   std::wostream& out,
                                                   const DeadlineArm& armDeadline) {
    // The output form is chosen here, and only here: the JSON key before the
    // key, and the monitoring check as the key, each have their own.
    const bool json = !arguments.empty() && (arguments[0] == L"--Json" ||
                                             arguments[0] == L"--json" || arguments[0] == L"-j");
    if (json) arguments.erase(arguments.begin());
    if (!arguments.empty() && IsCheckKey(arguments[0]))
        return std::make_unique<CheckReporter>(out, json, CheckDeadline(), armDeadline);
    // With --Json the metrics key is refused by the JSON reporter.
    if (!json && !arguments.empty() && IsMetricsKey(arguments[0])) {
        std::optional<std::string> textfile;
        if (arguments.size() > 1) textfile = CVLib::strings::toAstr(arguments[1]);
        return std::make_unique<MetricsReporter>(out, textfile, CheckDeadline(), armDeadline);
    }
    if (json) return std::make_unique<JsonReporter>(out);
    return std::make_unique<ConsoleReporter>(out);
}

void ConsoleApp::PrintBanner() {
    reporter->Banner();
}

namespace {

// Called while a CORBA exception is handled, which the thrown one carries.
[[noreturn]] void ThrowDescribed(const char* prefix, const CORBA::Exception& e) {
    const std::string text = std::string(prefix) + e._name() + ". Description: " + ExceptionInfo(e);
    std::throw_with_nested(ConsoleAppEx(CVLib::strings::toWstr(text)));
}

}  // namespace

int ConsoleApp::Run() {
    PrintBanner();
    std::exception_ptr failure;
    try {
        ProcessTranslated();
    } catch (...) {
        failure = std::current_exception();
    }
    return reporter->RunEnded(failure);
}

void ConsoleApp::ProcessTranslated() {
    try {
        ProcessCommandLine();
    } catch (const BackupNetwork::Server::AccessDenied&) {
        std::throw_with_nested(ConsoleAppEx(L"Access denied"));
    } catch (const CORBA::NO_RESOURCES&) {
        std::throw_with_nested(ConsoleAppEx(
            L"Caught NO_RESOURCES exception. You must configure ORB with the location of the "
            L"naming service."));
    } catch (const CORBA::TRANSIENT&) {
        std::throw_with_nested(ConsoleAppEx(L"Unable to connect the backup server."));
    } catch (const CORBA::SystemException& e) {
        ThrowDescribed("System error: ", e);
    } catch (const CORBA::Exception& e) {
        ThrowDescribed("Error: ", e);
    }
}
