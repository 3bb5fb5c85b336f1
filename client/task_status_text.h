// The console's words for a task's status, and which statuses are busy. The
// status is taken as it travels, an unsigned long, so a value past tsTotal
// that a newer server sends reaches here, reads "unknown" and is not busy.
#pragma once

#include <omniORB4/CORBA.h>

const wchar_t* GetTaskStatusText(CORBA::ULong status);

// Busy with an operation: backup, restore or synchronisation.
bool IsBusy(CORBA::ULong status);
