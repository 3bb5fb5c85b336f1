#include "client/console_reporter.h"

#include <iomanip>
#include <iostream>

#include "client/ConsoleAppEx.h"
#include "client/banner.h"
#include "client/task_status_text.h"
#include "utility/strings.h"

namespace {

// The usage text shows a host and a server name before the key and leaves
// out --Proxy, --NSClean and the log keys; the command line takes neither
// position.
constexpr const wchar_t* kUsage =
    L"Usage: cvcc <NameServiceHost> <ServerName> <key>[<tasks>]\n"
    L"\n"
    L"<key>: \n"
    L"       --Help(-h)                This message\n"
    L"\n"
    L"       --Execute(-e) <tasks>     Execute specified tasks by name\n"
    L"       --ExecuteId(-ei) <tasks>  Execute specified tasks by id\n"
    L"       --ExecuteAll(-ea)         Execute all tasks\n"
    L"\n"
    L"       --Stop(-s) <tasks>        Stop specified tasks by name\n"
    L"       --StopId(-si) <tasks>     Stop specified tasks by id\n"
    L"       --StopAll(-sa)            Stop all tasks\n"
    L"\n"
    L"       --Delete(-d) <tasks>      Delete specified tasks by name\n"
    L"       --DeleteId(-di) <tasks>   Delete specified tasks by id\n"
    L"       --DeleteAll(-da)          Delete all tasks\n"
    L"\n"
    L"       --List(-l)                List all available tasks\n"
    L"       --Close(-c)               Close server\n"
    L"<tasks>                          Space separated list of task names, or IDs \n";

}  // namespace

void ConsoleReporter::Banner() {
    out << ComposeBanner(__DATE__);
}

int ConsoleReporter::RunEnded(std::exception_ptr failure) {
    if (failure) std::rethrow_exception(failure);
    return 0;
}

void ConsoleReporter::Usage() {
    out << kUsage;
}

void ConsoleReporter::NoKey() {
    Usage();
}

void ConsoleReporter::HelpAsked(const std::wstring&) {
    Usage();
}

void ConsoleReporter::UnknownKey(const std::wstring& argument) {
    Usage();
    out << L"\nUnknown parameter: " << argument << std::endl;
}

void ConsoleReporter::MetricsAsked(const std::wstring& key) {
    throw ConsoleAppEx(key + L" stands first on the command line: its output is the metrics alone");
}

void ConsoleReporter::ServerVersionRefused(const std::wstring& version) {
    out << L"Connected to Backup Server version: " << version << L"\n";
}

void ConsoleReporter::ShutdownRequesting() {
    out << L"Shutdown server" << std::endl;
}

void ConsoleReporter::ProxySet(const std::wstring&, CORBA::ULong) {
    out << L"Proxy settings applied successfully." << std::endl;
}

void ConsoleReporter::TaskNotFound(const std::wstring& argument) {
    out << L"Task not found: " << argument << std::endl;
}

void ConsoleReporter::BadTaskId(const std::wstring& argument) {
    out << L"Id must be integer: " << argument << std::endl;
}

void ConsoleReporter::TaskIdNotFound(const std::wstring&, int id) {
    out << L"Task id not found: " << id << std::endl;
}

void ConsoleReporter::TaskBusy(const TaskRef& task, CORBA::ULong) {
    out << L"Task is busy: " << task.name << std::endl;
}

void ConsoleReporter::TaskNotRunning(const TaskRef& task, TaskAction action, CORBA::ULong status) {
    // A stop of an idle task says nothing.
    if (action == TaskAction::Wait)
        out << L"Task is not running: " << task.name << L" (" << GetTaskStatusText(status) << L")"
            << std::endl;
}

void ConsoleReporter::Requesting(const TaskRef& task, TaskAction action) {
    switch (action) {
        case TaskAction::Delete:
            out << L"Deleting task: " << task.name << std::endl;
            break;
        case TaskAction::Stop:
            out << L"Stopping task: " << task.name << std::endl;
            break;
        case TaskAction::Start:
            out << L"Running task: " << task.name << std::endl;
            break;
        case TaskAction::Wait:
            out << L"Waiting for task: " << task.name << std::endl;
            break;
    }
}

void ConsoleReporter::WaitBegun() {
    out << L"Waiting" << std::flush;
}

void ConsoleReporter::StillBusy() {
    out << L"." << std::flush;
}

void ConsoleReporter::TaskEnded(const TaskRef&, CORBA::ULong status, int) {
    out << std::endl;
    out << L"Completed with status: " << GetTaskStatusText(status) << std::endl;
    out << std::endl;
}

void ConsoleReporter::WaitInterrupted() {
    out << std::endl;
    Hint("interrupted; the task keeps running on the server");
}

void ConsoleReporter::ReadInterrupted() {
    // The console's lines are whole: a row or a log line is written at once.
    Hint("interrupted; nothing more was read");
}

void ConsoleReporter::ListingBegun() {
    // These stay on the stream for the rest of the run.
    out.fill(L' ');
    out.setf(std::ios::left, std::ios::adjustfield);
    out << L"Available tasks: " << std::endl;
    out << L"Id\t | " << std::setw(50) << L"Name" << L" | Status" << std::endl;
    out << std::wstring(76, L'-') << std::endl;
}

void ConsoleReporter::RowId(CORBA::Long id) {
    out << id << L"\t | ";
}

void ConsoleReporter::RowName(const std::wstring& name) {
    out << std::setw(50) << name;
}

void ConsoleReporter::RowStatus(CORBA::ULong status) {
    out << L" | " << GetTaskStatusText(status) << std::endl;
}

void ConsoleReporter::LogBegun(const TaskRef& task) {
    out << L"Log of task: " << task.name << std::endl;
}

void ConsoleReporter::LogUnavailable() {
    out << L"The task's log is not available" << std::endl;
}

void ConsoleReporter::LogLine(const std::wstring& line) {
    out << line << std::endl;
}

void ConsoleReporter::SweepBegun() {
    out << L"Removing dead workstation links on the Coordinator. The operation can take several "
           L"minutes, depending on the Backup Network size"
        << std::endl
        << std::endl;
}

void ConsoleReporter::SweepFailed(const std::vector<std::wstring>& removed) {
    for (const std::wstring& name : removed)
        Hint("the sweep removed the binding of " + CVLib::strings::toAstr(name) +
             " before it failed");
}

void ConsoleReporter::Swept(const std::vector<std::wstring>& removed) {
    if (removed.empty()) {
        out << L"No dead workstation links registered on the Coordinator" << std::endl;
    } else {
        out << L"The following dead workstation links removed from the Coordinator:" << std::endl;
    }
    for (const std::wstring& name : removed) out << L"    " << name << std::endl;
}
