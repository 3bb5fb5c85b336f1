// Host services of the utility layer: the crash reporter and the identity of
// this computer and of the user who runs the program.
#pragma once

#include <string>

namespace CVLib {
namespace system {

// From this call on, a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT)
// or std::terminate writes a crash report naming appName, with a stack trace,
// to stderr, and the process then ends with the signal's default action.
// Call once, first thing in main.
void StartExceptionHandler(const std::wstring& appName);

// This computer's host name as gethostname gives it.
std::wstring GetComputerNetworkName();

// The user who runs the program, as HOST\user: the host name stands where a
// Windows account's domain would (as for a local account there).
std::wstring GetCurrentUserAndDomain();

}  // namespace system
}  // namespace CVLib
