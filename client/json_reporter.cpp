#include "client/json_reporter.h"

#include <unistd.h>

#include "client/ConsoleAppEx.h"
#include "client/console.h"
#include "client/run.h"
#include "client/task_status_text.h"
#include "utility/strings.h"

using CVLib::strings::toAstr;

namespace {

std::unique_ptr<std::wostream> ProgressStream() {
    if (::isatty(STDERR_FILENO)) return std::make_unique<console::Utf8FdStream>(STDERR_FILENO);
    return std::make_unique<std::wostream>(nullptr);
}

// The start of a task's entry: the argument that named it and the id read
// from it, where there are such, and its name.
nlohmann::json Head(const TaskRef& task) {
    nlohmann::json entry = {{"name", toAstr(task.name)}};
    if (task.argument) entry["argument"] = toAstr(*task.argument);
    if (task.id) entry["id"] = *task.id;
    return entry;
}

}  // namespace

JsonReporter::JsonReporter(std::wostream& out)
    : document(out), progressStream(ProgressStream()), progress(*progressStream) {}

int JsonReporter::RunEnded(std::exception_ptr failure) {
    if (held) document.Entry("tasks", *held);
    int code = incomplete ? 2 : 0;
    if (failure) {
        if (const std::optional<int> signal = InterruptingSignal(failure))
            document.Member("interrupted", {{"signal", *signal}});
        else
            document.Member("error", DescribeFailure(failure));
        code = FailureExitCode(failure);
    }
    document.End();
    return code;
}

void JsonReporter::NoCommand(const std::wstring& message) {
    document.Member("error", {{"message", toAstr(message)}});
    incomplete = true;
}

void JsonReporter::NoKey() {
    NoCommand(L"No key given; the keys are those of cvcc --Help");
}

void JsonReporter::HelpAsked(const std::wstring& key) {
    NoCommand(L"No JSON form of " + key);
}

void JsonReporter::UnknownKey(const std::wstring& argument) {
    NoCommand(L"Unknown parameter: " + argument);
}

void JsonReporter::MetricsAsked(const std::wstring& key) {
    throw ConsoleAppEx(key + L" writes the Prometheus text format and takes no --Json");
}

void JsonReporter::ServerVersionRefused(const std::wstring& version) {
    document.Member("serverVersion", toAstr(version));
}

void JsonReporter::ShutdownRequested() {
    document.Member("shutdown", "requested");
}

void JsonReporter::ProxySet(const std::wstring& host, CORBA::ULong port) {
    document.Member("proxy", {{"host", toAstr(host)}, {"port", port}});
}

void JsonReporter::NotDone(const nlohmann::json& entry) {
    document.Entry("tasks", entry);
    incomplete = true;
}

void JsonReporter::TaskNotFound(const std::wstring& argument) {
    NotDone({{"argument", toAstr(argument)}, {"outcome", "not found"}});
}

void JsonReporter::BadTaskId(const std::wstring& argument) {
    NotDone({{"argument", toAstr(argument)}, {"outcome", "bad id"}});
}

void JsonReporter::TaskIdNotFound(const std::wstring& argument, int id) {
    NotDone({{"argument", toAstr(argument)}, {"id", id}, {"outcome", "not found"}});
}

void JsonReporter::Record(const TaskRef& task, const char* outcome, CORBA::ULong status, bool done,
                          std::optional<int> polls) {
    nlohmann::json entry = Head(task);
    entry["outcome"] = outcome;
    entry["status"] = toAstr(GetTaskStatusText(status));
    entry["statusNumber"] = status;
    if (polls) entry["polls"] = *polls;
    if (!done) incomplete = true;
    // The entry replaces the one held for the task.
    held.reset();
    document.Entry("tasks", entry);
}

void JsonReporter::TaskBusy(const TaskRef& task, CORBA::ULong status) {
    Record(task, "busy", status, false);
}

void JsonReporter::TaskNotRunning(const TaskRef& task, TaskAction, CORBA::ULong status) {
    Record(task, "not running", status, true);
}

void JsonReporter::Hold(const TaskRef& task, const char* outcome) {
    nlohmann::json entry = Head(task);
    entry["outcome"] = outcome;
    held = std::move(entry);
}

void JsonReporter::Requesting(const TaskRef& task, TaskAction action) {
    // The heading of a wait goes with its progress.
    if (action == TaskAction::Start || action == TaskAction::Wait)
        progress.Requesting(task, action);
    // A wait sends nothing: its entry is held from here.
    if (action == TaskAction::Wait) Hold(task, "waiting");
}

void JsonReporter::Requested(const TaskRef& task, TaskAction action, CORBA::ULong status) {
    switch (action) {
        case TaskAction::Delete:
            Record(task, "deleting", status, true);
            break;
        case TaskAction::Stop:
            Record(task, "stopping", status, true);
            break;
        case TaskAction::Wait:
            break;
        case TaskAction::Start:
            Hold(task, "started");
            break;
    }
}

void JsonReporter::TaskEnded(const TaskRef& task, CORBA::ULong status, int polls) {
    progress.TaskEnded(task, status, polls);
    Record(task, "ended", status, IsSuccess(status), polls);
}

void JsonReporter::ListingBegun() {
    // An empty listing is still a listing.
    document.Begin("tasks");
}

void JsonReporter::RowId(CORBA::Long id) {
    row = {{"id", id}};
}

void JsonReporter::RowName(const std::wstring& name) {
    row["name"] = toAstr(name);
}

void JsonReporter::RowStatus(CORBA::ULong status) {
    row["status"] = toAstr(GetTaskStatusText(status));
    row["statusNumber"] = status;
    document.Entry("tasks", row);
}

void JsonReporter::LogBegun(const TaskRef& task) {
    logEntry = Head(task);
}

void JsonReporter::LogUnavailable() {
    logEntry["outcome"] = "no log";
    NotDone(logEntry);
}

void JsonReporter::LogOpened() {
    logEntry["outcome"] = "log";
    document.OpenEntry("tasks", logEntry, "lines");
}

void JsonReporter::LogLine(const std::wstring& line) {
    document.Item(toAstr(line));
}

void JsonReporter::LogEnded() {
    document.CloseEntry();
}

void JsonReporter::Swept(const std::vector<std::wstring>& removed) {
    // A second sweep's names follow the first's.
    document.Begin("removed");
    for (const std::wstring& name : removed) document.Entry("removed", toAstr(name));
}
