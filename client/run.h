// How a run of the application ends: what the console shows after it and the
// program's exit status.
#pragma once

#include <exception>
#include <functional>
#include <iosfwd>
#include <string>

// The text a failure that ends the run prints as the run's last line.
std::wstring FailureText(std::exception_ptr failure);

// Calls runApp, which makes and runs the application and answers its exit
// code; its destructor's output comes before any message here. After a
// failure, whose message goes to console, answers 1; after an interrupted
// wait, 128 and the signal's number.
int RunToExitCode(const std::function<int()>& runApp, std::wostream& console);
