// How a run of the application ends: what the console shows after it and the
// program's exit status.
#pragma once

#include <functional>
#include <iosfwd>

// Calls runApp, which makes and runs the application; its destructor's output
// comes before any message here. Answers 0; 1 after a failure, whose message
// goes to console; 128 and the signal's number after an interrupted wait.
int RunToExitCode(const std::function<void()>& runApp, std::wostream& console);
