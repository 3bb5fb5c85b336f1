// The console's words for a task's status; "unknown" for any value past the
// last one the protocol defines.
#pragma once

#include "BackupNetwork.hh"

const wchar_t* GetTaskStatusText(BackupNetwork::TaskStatus status);
