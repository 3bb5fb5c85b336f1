// Execute, stop, delete and wait for, by name, by id or all, on the snapshot
// of the server's tasks taken when the session opened; it is never
// refreshed, but the tasks that this run deleted are passed over.
#include <chrono>

#include "client/ConsoleApp.h"
#include "client/ConsoleAppEx.h"
#include "client/task_id.h"
#include "client/task_status_text.h"
#include "client/wait_interruption.h"
#include "idl/task_status.h"
#include "idl/wire_text.h"
#include "utility/strings.h"

namespace {

// The wait between starting a task and its first status poll, and between polls.
constexpr std::chrono::milliseconds kPollInterval(3000);

}  // namespace

void ConsoleApp::ForEachNamedTask(
    bool byId, const std::function<void(BackupNetwork::Task_ptr, TaskRef)>& act) {
    ++argumentIndex;
    if (argumentIndex >= arguments.size()) throw ConsoleAppEx(L"Specify one or more tasks");
    for (; argumentIndex < arguments.size(); ++argumentIndex) {
        const std::wstring& argument = arguments[argumentIndex];
        BackupNetwork::Task_var task = byId ? FindTaskById(argument) : FindTaskByName(argument);
        if (CORBA::is_nil(task)) continue;
        TaskRef ref;
        ref.argument = argument;
        if (byId) ref.id = ReadTaskId(argument);
        act(task, std::move(ref));
    }
    argumentIndex = static_cast<std::uint32_t>(arguments.size());
}

void ConsoleApp::ProcessTasks(TaskCommand command, bool byId) {
    ForEachNamedTask(byId, [this, command](BackupNetwork::Task_ptr task, TaskRef ref) {
        ApplyTaskCommand(task, command, std::move(ref));
    });
}

void ConsoleApp::ProcessAllTasks(TaskCommand command) {
    ++argumentIndex;
    for (CORBA::ULong i = 0; i < taskCount; ++i) ApplyTaskCommand((*tasks)[i], command, TaskRef());
    argumentIndex = static_cast<std::uint32_t>(arguments.size());
}

BackupNetwork::Task_ptr ConsoleApp::FindTaskByName(const std::wstring& name) {
    for (CORBA::ULong i = 0; i < taskCount; ++i) {
        BackupNetwork::Task_ptr task = (*tasks)[i];
        if (!deleted[i] && DisplayName(task) == name) return BackupNetwork::Task::_duplicate(task);
    }
    reporter->TaskNotFound(name);
    return BackupNetwork::Task::_nil();
}

BackupNetwork::Task_ptr ConsoleApp::FindTaskById(const std::wstring& idText) {
    const std::optional<int> read = ReadTaskId(idText);
    if (!read) {
        reporter->BadTaskId(idText);
        return BackupNetwork::Task::_nil();
    }
    const int id = *read;
    if (TaskIdReadLoosely(idText))
        reporter->Hint("\"" + CVLib::strings::toAstr(idText) + "\" is read as id " +
                       std::to_string(id));
    for (CORBA::ULong i = 0; i < taskCount; ++i) {
        if (deleted[i]) continue;
        BackupNetwork::Task_ptr task = (*tasks)[i];
        BackupNetwork::TaskProperties_var props = task->props();
        if (props->id() == id) return BackupNetwork::Task::_duplicate(task);
    }
    reporter->TaskIdNotFound(idText, id);
    return BackupNetwork::Task::_nil();
}

void ConsoleApp::ApplyTaskCommand(BackupNetwork::Task_ptr task, TaskCommand command, TaskRef ref) {
    ref.name = DisplayName(task);
    const CORBA::ULong status = wiretext::GetTaskStatus(task);
    if (command == TaskCommand::Stop || command == TaskCommand::Wait) {
        const TaskAction action =
            command == TaskCommand::Stop ? TaskAction::Stop : TaskAction::Wait;
        // The "all" keys pass an idle task over in silence.
        if (!IsBusy(status)) {
            if (ref.argument || action == TaskAction::Stop)
                reporter->TaskNotRunning(ref, action, status);
            return;
        }
        reporter->Requesting(ref, action);
        if (action == TaskAction::Wait) return WaitForTask(task, ref);
        task->Stop();
        return reporter->Requested(ref, TaskAction::Stop, status);
    }
    // Delete and execute leave a busy task alone.
    if (IsBusy(status)) return reporter->TaskBusy(ref, status);
    if (command == TaskCommand::Delete) {
        reporter->Requesting(ref, TaskAction::Delete);
        BackupNetwork::TaskProperties_var props = task->props();
        session->DeleteTask(props->id());
        MarkDeleted(task);
        return reporter->Requested(ref, TaskAction::Delete, status);
    }
    reporter->Requesting(ref, TaskAction::Start);
    task->Start();
    reporter->Requested(ref, TaskAction::Start, status);
    WaitForTask(task, ref);
}

void ConsoleApp::MarkDeleted(BackupNetwork::Task_ptr task) {
    // The references handed out come from the snapshot itself, so the same
    // pointer finds its index without asking the server.
    for (CORBA::ULong i = 0; i < taskCount; ++i)
        if ((*tasks)[i].in() == task) deleted[i] = true;
}

void ConsoleApp::WaitForTask(BackupNetwork::Task_ptr task, const TaskRef& ref) {
    const console::WaitInterruption interruption;
    reporter->WaitBegun();
    CORBA::ULong status;
    int polls = 0;
    // A signal ends the wait after the sleep or the status read it came in.
    for (;;) {
        sleep(kPollInterval);
        EndIfInterrupted(&Reporter::WaitInterrupted);
        status = wiretext::GetTaskStatus(task);
        ++polls;
        EndIfInterrupted(&Reporter::WaitInterrupted);
        if (!IsBusy(status)) break;
        reporter->StillBusy();
    }
    reporter->TaskEnded(ref, status, polls);
}

void ConsoleApp::EndIfInterrupted(void (Reporter::*tell)()) {
    if (const int signal = console::WaitInterruption::Caught()) {
        (reporter.get()->*tell)();
        throw console::WaitInterrupted{signal};
    }
}

std::wstring ConsoleApp::DisplayName(BackupNetwork::Task_ptr task) {
    BackupNetwork::TaskProperties_var props = task->props();
    CORBA::WString_var name = props->dname();
    return wiretext::FromWire(name.in());
}
