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
#include "utility/strings.h"

using CVLib::strings::toAstr;

namespace {

// The wait between starting a task and its first status poll, and between polls.
constexpr std::chrono::milliseconds kPollInterval(3000);

// Busy with an operation: backup, restore or synchronisation. Every other
// value, also one past the statuses this client knows, is not busy.
bool IsBusy(CORBA::ULong status) {
    return status < BackupNetwork::tsRefresh;
}

// What the JSON mode counts as done: success, with errors or not.
bool IsSuccess(CORBA::ULong status) {
    return status == BackupNetwork::tsSuccess || status == BackupNetwork::tsSuccessSchedule ||
           status == BackupNetwork::tsSuccessWithErrors ||
           status == BackupNetwork::tsSuccessScheduleWithErrors;
}

std::wstring DisplayName(BackupNetwork::Task_ptr task) {
    BackupNetwork::TaskProperties_var props = task->props();
    CORBA::WString_var name = props->dname();
    return wiretext::FromWire(name.in());
}

}  // namespace

void ConsoleApp::ForEachNamedTask(
    bool byId, const std::function<void(BackupNetwork::Task_ptr, nlohmann::json)>& act) {
    ++argumentIndex;
    if (argumentIndex >= arguments.size()) throw ConsoleAppEx(L"Specify one or more tasks");
    for (; argumentIndex < arguments.size(); ++argumentIndex) {
        const std::wstring& argument = arguments[argumentIndex];
        BackupNetwork::Task_var task = byId ? FindTaskById(argument) : FindTaskByName(argument);
        if (CORBA::is_nil(task)) continue;
        // The JSON mode's entry: the argument that named the task, the id
        // read from it, the task's name, and what happened to it.
        nlohmann::json entry;
        if (json) {
            entry["argument"] = toAstr(argument);
            if (byId) entry["id"] = *ReadTaskId(argument);  // found, so it reads
        }
        act(task, std::move(entry));
    }
    argumentIndex = static_cast<std::uint32_t>(arguments.size());
}

void ConsoleApp::ProcessTasks(TaskCommand command, bool byId) {
    ForEachNamedTask(byId, [this, command](BackupNetwork::Task_ptr task, nlohmann::json entry) {
        ApplyTaskCommand(task, command, std::move(entry));
    });
}

void ConsoleApp::ProcessAllTasks(TaskCommand command) {
    ++argumentIndex;
    for (CORBA::ULong i = 0; i < taskCount; ++i)
        ApplyTaskCommand((*tasks)[i], command, nlohmann::json());
    argumentIndex = static_cast<std::uint32_t>(arguments.size());
}

BackupNetwork::Task_ptr ConsoleApp::FindTaskByName(const std::wstring& name) {
    for (CORBA::ULong i = 0; i < taskCount; ++i) {
        BackupNetwork::Task_ptr task = (*tasks)[i];
        if (DisplayName(task) == name) return BackupNetwork::Task::_duplicate(task);
    }
    Text() << L"Task not found: " << name << std::endl;
    if (json) NotDone({{"argument", toAstr(name)}, {"outcome", "not found"}});
    return BackupNetwork::Task::_nil();
}

BackupNetwork::Task_ptr ConsoleApp::FindTaskById(const std::wstring& idText) {
    const std::optional<int> read = ReadTaskId(idText);
    if (!read) {
        Text() << L"Id must be integer: " << idText << std::endl;
        if (json) NotDone({{"argument", toAstr(idText)}, {"outcome", "bad id"}});
        return BackupNetwork::Task::_nil();
    }
    const int id = *read;
    for (CORBA::ULong i = 0; i < taskCount; ++i) {
        BackupNetwork::Task_ptr task = (*tasks)[i];
        BackupNetwork::TaskProperties_var props = task->props();
        if (props->id() == id) return BackupNetwork::Task::_duplicate(task);
    }
    Text() << L"Task id not found: " << id << std::endl;
    if (json) NotDone({{"argument", toAstr(idText)}, {"id", id}, {"outcome", "not found"}});
    return BackupNetwork::Task::_nil();
}

void ConsoleApp::ApplyTaskCommand(BackupNetwork::Task_ptr task, TaskCommand command,
                                  nlohmann::json entry) {
    const std::wstring name = DisplayName(task);
    const CORBA::ULong status = wiretext::GetTaskStatus(task);
    const bool busy = IsBusy(status);
    const auto record = [&](const char* outcome, CORBA::ULong shown, bool done) {
        if (!json) return;
        entry["name"] = toAstr(name);
        entry["outcome"] = outcome;
        entry["status"] = toAstr(GetTaskStatusText(shown));
        entry["statusNumber"] = shown;
        if (!done) json->Incomplete();
        json->Entry("tasks", entry);
    };
    switch (command) {
        case TaskCommand::Delete:
            if (busy) {
                Text() << L"Task is busy: " << name << std::endl;
                record("busy", status, false);
            } else {
                Text() << L"Deleting task: " << name << std::endl;
                BackupNetwork::TaskProperties_var props = task->props();
                session->DeleteTask(props->id());
                record("deleting", status, true);
            }
            break;
        case TaskCommand::Stop:
            if (busy) {
                Text() << L"Stopping task: " << name << std::endl;
                task->Stop();
                record("stopping", status, true);
            } else {
                record("not running", status, true);
            }
            break;
        case TaskCommand::Execute:
            if (busy) {
                Text() << L"Task is busy: " << name << std::endl;
                record("busy", status, false);
            } else {
                Progress() << L"Running task: " << name << std::endl;
                task->Start();
                if (json) {
                    entry["name"] = toAstr(name);
                    entry["outcome"] = "started";
                    json->Hold("tasks", entry);
                }
                const auto [ended, polls] = WaitForTask(task);
                entry["polls"] = polls;
                record("ended", ended, IsSuccess(ended));
            }
            break;
    }
}

std::pair<CORBA::ULong, int> ConsoleApp::WaitForTask(BackupNetwork::Task_ptr task) {
    const console::WaitInterruption interruption;
    std::wostream& progress = Progress();
    // A signal ends the wait after the sleep or the status read it came in.
    const auto endIfInterrupted = [&progress] {
        if (const int signal = console::WaitInterruption::Caught()) {
            progress << std::endl;
            std::cerr << "cvcc: interrupted; the task keeps running on the server" << std::endl;
            throw console::WaitInterrupted{signal};
        }
    };
    // "Waiting" and each dot reach the terminal before the sleep that follows.
    progress << L"Waiting" << std::flush;
    CORBA::ULong status;
    int polls = 0;
    for (;;) {
        sleep(kPollInterval);
        endIfInterrupted();
        status = wiretext::GetTaskStatus(task);
        ++polls;
        endIfInterrupted();
        if (!IsBusy(status)) break;
        progress << L"." << std::flush;
    }
    progress << std::endl;
    progress << L"Completed with status: " << GetTaskStatusText(status) << std::endl;
    progress << std::endl;
    return {status, polls};
}

namespace {

void CloseQuietly(BackupNetwork::Log_ptr log) {
    try {
        log->Close();
    } catch (const CORBA::Exception&) {
        // The failure that ended the reading is the one to report.
    }
}

}  // namespace

void ConsoleApp::ShowLogs(bool byId) {
    ForEachNamedTask(byId, [this](BackupNetwork::Task_ptr task, nlohmann::json entry) {
        ShowLog(task, std::move(entry));
    });
}

void ConsoleApp::ShowLog(BackupNetwork::Task_ptr task, nlohmann::json entry) {
    const std::wstring name = DisplayName(task);
    Text() << L"Log of task: " << name << std::endl;
    if (json) entry["name"] = toAstr(name);
    BackupNetwork::Log_var log = task->log();
    if (CORBA::is_nil(log) || !log->Open()) {
        Text() << L"The task's log is not available" << std::endl;
        if (json) {
            entry["outcome"] = "no log";
            NotDone(entry);
        }
        return;
    }
    // Each line is written as it arrives; nothing of the log is kept.
    if (json) {
        entry["outcome"] = "log";
        json->OpenEntry("tasks", entry, "lines");
    }
    try {
        CORBA::WString_var line;
        while (log->GetNextLine(line.out())) {
            const std::wstring text = wiretext::FromWire(line.in());
            Text() << text << std::endl;
            if (json) json->Item(toAstr(text));
        }
    } catch (const CORBA::TRANSIENT&) {
        // The ORB could not reach the server, also after a broken connection:
        // nothing more is sent to it. After any other failure it may still
        // be there.
        throw;
    } catch (...) {
        CloseQuietly(log);
        throw;
    }
    if (json) json->CloseEntry();
    log->Close();
}
