// The console's words for a task's status. The status is taken as it
// travels, an unsigned long, so a value past tsTotal that a newer server
// sends reaches here and reads "unknown".
#pragma once

#include <omniORB4/CORBA.h>

const wchar_t* GetTaskStatusText(CORBA::ULong status);
