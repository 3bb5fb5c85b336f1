// The list command and the words for a task's status.
#include <iomanip>
#include <iostream>

#include "client/ConsoleApp.h"
#include "client/task_status_text.h"
#include "idl/task_status.h"
#include "idl/wire_text.h"
#include "utility/strings.h"

const wchar_t* GetTaskStatusText(CORBA::ULong status) {
    switch (status) {
        case BackupNetwork::tsBackup:
            return L"backuping";
        case BackupNetwork::tsRestore:
            return L"restoring";
        case BackupNetwork::tsSynchronize:
            return L"synchronizing";
        case BackupNetwork::tsRefresh:
            return L"refreshing";
        case BackupNetwork::tsWaiting:
            return L"idle";
        case BackupNetwork::tsWaitingSchedule:
            return L"idle, scheduled";
        case BackupNetwork::tsSuccess:
        case BackupNetwork::tsSuccessSchedule:
            return L"success";
        case BackupNetwork::tsError:
        case BackupNetwork::tsErrorSchedule:
            return L"error";
        case BackupNetwork::tsStopped:
            return L"stopped";
        case BackupNetwork::tsQuotaExceeded:
        case BackupNetwork::tsAccountExpired:
        case BackupNetwork::tsSilentDeclined:
            return L"declined";
        case BackupNetwork::tsSuccessWithErrors:
        case BackupNetwork::tsSuccessScheduleWithErrors:
            return L"success w/errors";
        default:
            return L"unknown";
    }
}

void ConsoleApp::ListTasks() {
    std::wostream& text = Text();
    // These stay on the stream for the rest of the run.
    text.fill(L' ');
    text.setf(std::ios::left, std::ios::adjustfield);
    ++argumentIndex;
    text << L"Available tasks: " << std::endl;
    text << L"Id\t | " << std::setw(50) << L"Name" << L" | Status" << std::endl;
    text << std::wstring(76, L'-') << std::endl;
    // An empty listing is still a listing.
    if (json) json->Begin("tasks");
    for (CORBA::ULong i = 0; i < taskCount; ++i) {
        BackupNetwork::Task_ptr task = (*tasks)[i];
        BackupNetwork::TaskProperties_var props = task->props();
        const CORBA::Long id = props->id();
        text << id << L"\t | ";
        props = task->props();
        CORBA::WString_var wireName = props->dname();
        const std::wstring name = wiretext::FromWire(wireName.in());
        text << std::setw(50) << name;
        // Asked before " | " is written: a failing call leaves the row there.
        const CORBA::ULong status = wiretext::GetTaskStatus(task);
        text << L" | " << GetTaskStatusText(status) << std::endl;
        if (json)
            json->Entry("tasks", {{"id", id},
                                  {"name", CVLib::strings::toAstr(name)},
                                  {"status", CVLib::strings::toAstr(GetTaskStatusText(status))},
                                  {"statusNumber", status}});
    }
    argumentIndex = static_cast<std::uint32_t>(arguments.size());
}
