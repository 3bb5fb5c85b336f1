#include "client/task_status_text.h"

#include "idl/task_status.h"

namespace {

using State = MonitoringState;

struct StatusClass {
    BackupNetwork::TaskStatus status;
    const wchar_t* text;
    bool busy;
    bool success;
    State state;
};

// clang-format off
constexpr StatusClass kStatusClasses[] = {
    {BackupNetwork::tsBackup,                    L"backuping",        true,  false, State::Ok},
    {BackupNetwork::tsRestore,                   L"restoring",        true,  false, State::Ok},
    {BackupNetwork::tsSynchronize,               L"synchronizing",    true,  false, State::Ok},
    {BackupNetwork::tsRefresh,                   L"refreshing",       false, false, State::Ok},
    {BackupNetwork::tsWaiting,                   L"idle",             false, false, State::Ok},
    {BackupNetwork::tsWaitingSchedule,           L"idle, scheduled",  false, false, State::Ok},
    {BackupNetwork::tsSuccess,                   L"success",          false, true,  State::Ok},
    {BackupNetwork::tsSuccessSchedule,           L"success",          false, true,  State::Ok},
    {BackupNetwork::tsError,                     L"error",            false, false, State::Critical},
    {BackupNetwork::tsErrorSchedule,             L"error",            false, false, State::Critical},
    {BackupNetwork::tsStopped,                   L"stopped",          false, false, State::Warning},
    {BackupNetwork::tsQuotaExceeded,             L"declined",         false, false, State::Critical},
    {BackupNetwork::tsAccountExpired,            L"declined",         false, false, State::Critical},
    {BackupNetwork::tsSilentDeclined,            L"declined",         false, false, State::Critical},
    {BackupNetwork::tsSuccessWithErrors,         L"success w/errors", false, true,  State::Warning},
    {BackupNetwork::tsSuccessScheduleWithErrors, L"success w/errors", false, true,  State::Warning},
};
// clang-format on
constexpr StatusClass kPastTheProtocol = {BackupNetwork::tsTotal, L"unknown", false, false,
                                          State::Unknown};

constexpr bool InProtocolOrder() {
    for (CORBA::ULong i = 0; i < BackupNetwork::tsTotal; ++i)
        if (static_cast<CORBA::ULong>(kStatusClasses[i].status) != i) return false;
    return sizeof kStatusClasses / sizeof kStatusClasses[0] == BackupNetwork::tsTotal;
}
static_assert(InProtocolOrder(), "one row a status, in the protocol's order");

const StatusClass& ClassOf(CORBA::ULong status) {
    return status < BackupNetwork::tsTotal ? kStatusClasses[status] : kPastTheProtocol;
}

}  // namespace

const wchar_t* GetTaskStatusText(CORBA::ULong status) {
    return ClassOf(status).text;
}

bool IsBusy(CORBA::ULong status) {
    return ClassOf(status).busy;
}

bool IsSuccess(CORBA::ULong status) {
    return ClassOf(status).success;
}

MonitoringState MonitoringStateOf(CORBA::ULong status) {
    return ClassOf(status).state;
}
