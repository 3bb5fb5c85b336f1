#include "client/task_status_text.h"

#include "idl/task_status.h"

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

bool IsBusy(CORBA::ULong status) {
    return status < BackupNetwork::tsRefresh;
}
