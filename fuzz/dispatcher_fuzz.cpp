// The command-line dispatcher on argument vectors: the input is split at NUL
// bytes into arguments, which are converted as the program's main converts
// them. Processing must end, every failure must be one the main function
// reports (a ConsoleAppEx), and the network (a recording double) must be
// asked exactly what the keys ask of it, in order.
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

namespace {

// What each key asks of the network, written out here on its own rather
// than read off the dispatcher's table, so that a dispatcher that drifts
// from it is caught. Only the sweep lets the keys after it run; the metrics
// make their calls only as the first key, without --Json.
struct KeyCalls {
    std::vector<const wchar_t*> forms;
    std::vector<std::string> calls;
    bool goesOn = false;
};

const std::vector<KeyCalls>& Keys() {
    static const std::vector<KeyCalls> keys = {
        {{L"--Help", L"-h"}, {}},
        {{L"--Delete",  L"-d",  L"--DeleteId",  L"-di", L"--DeleteAll", L"-da",
          L"--Stop",    L"-s",  L"--StopId",    L"-si", L"--StopAll",   L"-sa",
          L"--Execute", L"-e",  L"--ExecuteId", L"-ei", L"--ExcuteAll", L"-ea",
          L"--List",    L"-l",  L"--Log",       L"-lg", L"--LogId",     L"-lgi",
          L"--Wait",    L"-w",  L"--WaitId",    L"-wi", L"--WaitAll",   L"-wa",
          L"--Check",   L"-chk"},
         {"session"}},
        {{L"--Close", L"-c"}, {"server"}},
        {{L"--Proxy", L"-prx"}, {"session", "proxy"}},
        {{L"--NSClean", L"-nsc"}, {"coordinator"}, true},
    };
    return keys;
}

std::vector<std::string> ExpectedCalls(std::vector<std::wstring> arguments) {
    const bool json = !arguments.empty() && (arguments[0] == L"--Json" ||
                                             arguments[0] == L"--json" || arguments[0] == L"-j");
    if (json) arguments.erase(arguments.begin());
    std::vector<std::string> expected;
    for (const std::wstring& argument : arguments) {
        if (argument == L"--Metrics" || argument == L"-mtr") {
            if (!json && &argument == &arguments.front()) expected.push_back("session");
            break;
        }
        const KeyCalls* found = nullptr;
        for (const KeyCalls& key : Keys())
            for (const wchar_t* form : key.forms)
                if (argument == form) found = &key;
        // Anything else is an unknown key, which ends the line.
        if (!found) break;
        expected.insert(expected.end(), found->calls.begin(), found->calls.end());
        if (!found->goesOn) break;
    }
    return expected;
}

}  // namespace

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
    if (RecordedCalls() != ExpectedCalls({texts.begin() + 1, texts.end()})) std::abort();
    return 0;
}
