#include "client/run.h"

#include <exception>
#include <ostream>

#include "client/ConsoleAppEx.h"
#include "client/wait_interruption.h"
#include "utility/strings.h"

int RunToExitCode(const std::function<void()>& runApp, std::wostream& console) {
    try {
        runApp();
    } catch (const console::WaitInterrupted& e) {
        // As a shell reports a program ended by the signal.
        return 128 + e.signal;
    } catch (const ConsoleAppEx& e) {
        console << e.GetErrorMessage() << std::endl;
        return 1;
    } catch (const std::exception& e) {
        console << CVLib::strings::toWstr(e.what()) << std::endl;
        return 1;
    } catch (...) {
        console << L"Exiting." << std::endl;
        return 1;
    }
    return 0;
}
