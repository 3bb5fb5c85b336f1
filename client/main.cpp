// The program's entry: ACE's main adapter sets up and tears down ACE's
// process-wide state around the body. The platform hands us narrow UTF-8
// arguments; the body works on wide ones.
#include <ace/OS_main.h>

#include <iostream>
#include <string>
#include <vector>

#include "client/ConsoleApp.h"
#include "client/console.h"
#include "client/run.h"
#include "utility/strings.h"
#include "utility/system.h"

namespace {

int ConsoleMain(int argc, wchar_t* argv[]) {
    CVLib::system::StartExceptionHandler(L"Console client");
    return RunToExitCode(
        [&] {
            ConsoleApp app(argc, argv);
            return app.Run();
        },
        std::wcout);
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
