// omniORB's exceptions carry no ready-made description, so this gives one
// in its place: for a system exception the minor code's name and number and
// the completion status, for a user exception its repository id.
#pragma once

#include <omniORB4/CORBA.h>

#include <string>

std::string ExceptionInfo(const CORBA::Exception& e);

// "COMPLETED_YES", "COMPLETED_NO" or "COMPLETED_MAYBE".
const char* CompletionText(CORBA::CompletionStatus status);
