#include "client/run.h"

#include <ostream>

#include "client/CCommonException.h"
#include "client/ConsoleAppEx.h"
#include "client/wait_interruption.h"
#include "utility/strings.h"

std::wstring FailureText(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const ConsoleAppEx& e) {
        return e.GetErrorMessage();
    } catch (const std::exception& e) {
        return CVLib::strings::toWstr(e.what());
    } catch (...) {
        return L"Exiting.";
    }
}

std::wstring FailureLine(std::exception_ptr failure) {
    std::wstring text = FailureText(failure);
    text.erase(0, text.find_first_not_of(L'\n'));
    for (wchar_t& c : text)
        if (c == L'\n') c = L' ';
    return text;
}

bool IsBareFailure(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const CCommonException&) {
        return true;
    } catch (...) {
        return false;
    }
}

std::wstring FailureCause(std::exception_ptr failure, const std::string& lastHint) {
    if (const std::optional<int> signal = InterruptingSignal(failure))
        return L"interrupted by signal " + std::to_wstring(*signal);
    bool hintSaysMore = IsBareFailure(failure);
    try {
        std::rethrow_exception(failure);
    } catch (const ServerNotFound&) {
        hintSaysMore = true;
    } catch (...) {
    }
    if (hintSaysMore && !lastHint.empty()) return CVLib::strings::toWstr(lastHint);
    return FailureLine(failure);
}

std::optional<int> InterruptingSignal(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const console::WaitInterrupted& e) {
        return e.signal;
    } catch (...) {
        return std::nullopt;
    }
}

int FailureExitCode(std::exception_ptr failure) {
    if (const std::optional<int> signal = InterruptingSignal(failure)) return 128 + *signal;
    return 1;
}

int RunToExitCode(const std::function<int()>& runApp, std::wostream& console) {
    try {
        return runApp();
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        // An interrupted wait has told the console already.
        if (!InterruptingSignal(failure)) console << FailureText(failure) << std::endl;
        return FailureExitCode(failure);
    }
}
