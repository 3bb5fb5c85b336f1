// What the client makes of a task's status: one table beside the console's
// words, which every reader asks: the words, whether the task is busy, whether
// a run that ended there succeeded, and the monitoring state. The status is
// taken as it travels, an unsigned long, so a value past tsTotal that a newer
// server sends reaches here, reads "unknown", is neither busy nor a success,
// and is UNKNOWN to monitoring.
#pragma once

#include <omniORB4/CORBA.h>

// A status as monitoring sees it, in the order of the check's exit codes.
enum class MonitoringState { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

const wchar_t* GetTaskStatusText(CORBA::ULong status);

// Busy with an operation: backup, restore or synchronisation.
bool IsBusy(CORBA::ULong status);

// A run that ended in this status did what was asked: success, with errors
// or not.
bool IsSuccess(CORBA::ULong status);

// Critical: an error or a declined run; warning: success with errors, or a
// stop; OK: every other status the protocol knows; unknown: past tsTotal.
MonitoringState MonitoringStateOf(CORBA::ULong status);
