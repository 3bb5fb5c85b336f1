// Execute, stop and delete, by name, by id or all, on the snapshot of the
// server's tasks taken when the session opened; it is never refreshed.
#include <chrono>
#include <iostream>

#include "client/ConsoleApp.h"
#include "client/ConsoleAppEx.h"
#include "client/task_id.h"
#include "client/task_status_text.h"
#include "client/wait_interruption.h"
#include "idl/task_status.h"
#include "idl/wire_text.h"

namespace {

// The wait between starting a task and its first status poll, and between polls.
constexpr std::chrono::milliseconds kPollInterval(3000);

// Busy with an operation: backup, restore or synchronisation. Every other
// value, also one past the statuses this client knows, is not busy.
bool IsBusy(CORBA::ULong status) {
    return status < BackupNetwork::tsRefresh;
}

std::wstring DisplayName(BackupNetwork::Task_ptr task) {
    BackupNetwork::TaskProperties_var props = task->props();
    CORBA::WString_var name = props->dname();
    return wiretext::FromWire(name.in());
}

}  // namespace

void ConsoleApp::ProcessTasks(TaskCommand command, bool byId) {
    ++argumentIndex;
    if (argumentIndex >= arguments.size()) throw ConsoleAppEx(L"Specify one or more tasks");
    for (; argumentIndex < arguments.size(); ++argumentIndex) {
        const std::wstring& argument = arguments[argumentIndex];
        BackupNetwork::Task_var task = byId ? FindTaskById(argument) : FindTaskByName(argument);
        ApplyTaskCommand(task, command);
    }
    argumentIndex = static_cast<std::uint32_t>(arguments.size());
}

void ConsoleApp::ProcessAllTasks(TaskCommand command) {
    ++argumentIndex;
    for (CORBA::ULong i = 0; i < taskCount; ++i) ApplyTaskCommand((*tasks)[i], command);
    argumentIndex = static_cast<std::uint32_t>(arguments.size());
}

BackupNetwork::Task_ptr ConsoleApp::FindTaskByName(const std::wstring& name) {
    for (CORBA::ULong i = 0; i < taskCount; ++i) {
        BackupNetwork::Task_ptr task = (*tasks)[i];
        if (DisplayName(task) == name) return BackupNetwork::Task::_duplicate(task);
    }
    console << L"Task not found: " << name << std::endl;
    return BackupNetwork::Task::_nil();
}

BackupNetwork::Task_ptr ConsoleApp::FindTaskById(const std::wstring& idText) {
    const std::optional<int> read = ReadTaskId(idText);
    if (!read) {
        console << L"Id must be integer: " << idText << std::endl;
        return BackupNetwork::Task::_nil();
    }
    const int id = *read;
    for (CORBA::ULong i = 0; i < taskCount; ++i) {
        BackupNetwork::Task_ptr task = (*tasks)[i];
        BackupNetwork::TaskProperties_var props = task->props();
        if (props->id() == id) return BackupNetwork::Task::_duplicate(task);
    }
    console << L"Task id not found: " << id << std::endl;
    return BackupNetwork::Task::_nil();
}

void ConsoleApp::ApplyTaskCommand(BackupNetwork::Task_ptr task, TaskCommand command) {
    if (CORBA::is_nil(task)) return;
    const std::wstring name = DisplayName(task);
    const bool busy = IsBusy(wiretext::GetTaskStatus(task));
    switch (command) {
        case TaskCommand::Delete:
            if (busy) {
                console << L"Task is busy: " << name << std::endl;
            } else {
                console << L"Deleting task: " << name << std::endl;
                BackupNetwork::TaskProperties_var props = task->props();
                session->DeleteTask(props->id());
            }
            break;
        case TaskCommand::Stop:
            if (busy) {
                console << L"Stopping task: " << name << std::endl;
                task->Stop();
            }
            break;
        case TaskCommand::Execute:
            if (busy) {
                console << L"Task is busy: " << name << std::endl;
            } else {
                console << L"Running task: " << name << std::endl;
                task->Start();
                WaitForTask(task);
            }
            break;
    }
}

void ConsoleApp::WaitForTask(BackupNetwork::Task_ptr task) {
    const console::WaitInterruption interruption;
    // A signal ends the wait after the sleep or the status read it came in.
    const auto endIfInterrupted = [this] {
        if (const int signal = console::WaitInterruption::Caught()) {
            console << std::endl;
            std::cerr << "cvcc: interrupted; the task keeps running on the server" << std::endl;
            throw console::WaitInterrupted{signal};
        }
    };
    // "Waiting" and each dot reach the terminal before the sleep that follows.
    console << L"Waiting" << std::flush;
    CORBA::ULong status;
    for (;;) {
        sleep(kPollInterval);
        endIfInterrupted();
        status = wiretext::GetTaskStatus(task);
        endIfInterrupted();
        if (!IsBusy(status)) break;
        console << L"." << std::flush;
    }
    console << std::endl;
    console << L"Completed with status: " << GetTaskStatusText(status) << std::endl;
    console << std::endl;
}
