// How a run of the application ends: the failure policy that every reporter
// asks. What the console shows of a failure, its one-line form, whether it
// says nothing beyond its type, and the exit code of a run that it ended.
#pragma once

#include <exception>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

// The text a failure that ends the run prints as the run's last line.
std::wstring FailureText(std::exception_ptr failure);

// FailureText on one line, for a document or a plugin line: the console's
// leading line breaks go, inner ones become spaces.
std::wstring FailureLine(std::exception_ptr failure);

// Whether the failure's text names no more than its type: a CCommonException
// of the layers below the console, whose text is std::exception's own. A
// hint on stderr then says more than the text.
bool IsBareFailure(std::exception_ptr failure);

// What the failure says where one line is all that is read (a monitoring
// plugin's answer, the metrics' stderr): "interrupted by signal N"; the hint
// that went with it (`lastHint`, when there was one) where the failure's own
// text does not name its cause (a bare failure, or a server that is not
// bound, whose text speaks of its version); else FailureLine.
std::wstring FailureCause(std::exception_ptr failure, const std::string& lastHint);

// The signal that ended the run's wait or read, if that is what ended it.
std::optional<int> InterruptingSignal(std::exception_ptr failure);

// The exit code of a run that the failure ended: 128 and the signal's number
// after a signal, as a shell reports a program ended by it; 1 otherwise.
int FailureExitCode(std::exception_ptr failure);

// Calls runApp, which makes and runs the application and answers its exit
// code; its destructor's output comes before any message here. After a
// failure, whose message goes to console, answers FailureExitCode; after an
// interrupted wait, too, without a message.
int RunToExitCode(const std::function<int()>& runApp, std::wostream& console);
