#include "client/run.h"

#include <ostream>

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

int RunToExitCode(const std::function<int()>& runApp, std::wostream& console) {
    try {
        return runApp();
    } catch (const console::WaitInterrupted& e) {
        // As a shell reports a program ended by the signal.
        return 128 + e.signal;
    } catch (...) {
        console << FailureText(std::current_exception()) << std::endl;
        return 1;
    }
}
