// The command-line dispatcher on argument vectors: the input is split at NUL
// bytes into arguments, which are converted as the program's main converts
// them. Processing must end, and every failure must be one the main
// function reports (a ConsoleAppEx); the network is a recording double.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "client/ConsoleApp.h"
#include "client/ConsoleAppEx.h"
#include "fuzz/dispatcher_double.h"
#include "utility/strings.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The usage text at every run would cost more than the dispatching.
    std::wcout.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::wstring> texts = {L"cvcc"};
    std::string current;
    for (std::size_t i = 0; i < size && texts.size() < 256; ++i) {
        if (data[i] == 0) {
            texts.push_back(CVLib::strings::toWstr(current));
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (size) texts.push_back(CVLib::strings::toWstr(current));
    std::vector<wchar_t*> argv;
    for (std::wstring& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);

    RecordedCalls().clear();
    try {
        ConsoleApp app(static_cast<int>(texts.size()), argv.data());
        app.ProcessCommandLine();
    } catch (const ConsoleAppEx&) {
    }
    // A key reaches the network at most twice (a session, then its command),
    // and only keys do.
    if (RecordedCalls().size() > 2 * (texts.size() - 1)) std::abort();
    return 0;
}
