// The program's entry: ACE's main adapter sets up and tears down ACE's
// process-wide state around the body. The platform hands us narrow UTF-8
// arguments; the body works on wide ones.
#include <ace/OS_main.h>

#include <iostream>
#include <string>
#include <vector>

#include "client/CCommonException.h"
#include "client/ConsoleApp.h"
#include "client/ConsoleAppEx.h"
#include "client/console.h"
#include "client/wait_interruption.h"
#include "utility/strings.h"
#include "utility/system.h"

namespace {

int ConsoleMain(int argc, wchar_t* argv[]) {
    CVLib::system::StartExceptionHandler(L"Console client");
    try {
        // A local of the try block: its destructor's output comes before any
        // handler's below.
        ConsoleApp app(argc, argv);
        app.Run();
    } catch (const console::WaitInterrupted& e) {
        // As a shell reports a program ended by the signal.
        return 128 + e.signal;
    } catch (ConsoleAppEx& e) {
        std::wcout << e.GetErrorMessage() << std::endl;
        return 1;
    } catch (std::exception& e) {
        std::cout << e.what() << std::endl;
        return 1;
    } catch (...) {
        std::cout << "Exiting." << std::endl;
        return 1;
    }
    return 0;
}

}  // namespace

int ACE_TMAIN(int argc, ACE_TCHAR* argv[]) {
    console::InstallUtf8Console();
    std::vector<std::wstring> texts;
    texts.reserve(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i) texts.push_back(CVLib::strings::toWstr(argv[i]));
    std::vector<wchar_t*> wideArgv;
    wideArgv.reserve(texts.size() + 1);
    for (std::wstring& text : texts) wideArgv.push_back(text.data());
    wideArgv.push_back(nullptr);

    const int result = ConsoleMain(argc, wideArgv.data());
    std::cout.flush();
    return result;
}
