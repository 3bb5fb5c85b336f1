// The command line: the key table, the dispatcher and the usage text.
#include <iostream>

#include "client/ConsoleApp.h"

namespace {

enum class Key {
    Help,
    Delete,
    DeleteId,
    DeleteAll,
    Stop,
    StopId,
    StopAll,
    Execute,
    ExecuteId,
    ExecuteAll,
    Close,
    List,
    Proxy,
    NSClean,
};

struct KeyRow {
    const wchar_t* longForm;
    const wchar_t* shortForm;
    Key key;
};

// Compared in this order, each form exactly and case-sensitively. The long
// form of "execute all" really is "--ExcuteAll": scripts depend on it, while
// "--ExecuteAll", as the usage text spells it, is an unknown parameter.
constexpr KeyRow kKeyTable[] = {
    {L"--Help", L"-h", Key::Help},
    {L"--Delete", L"-d", Key::Delete},
    {L"--DeleteId", L"-di", Key::DeleteId},
    {L"--DeleteAll", L"-da", Key::DeleteAll},
    {L"--Stop", L"-s", Key::Stop},
    {L"--StopId", L"-si", Key::StopId},
    {L"--StopAll", L"-sa", Key::StopAll},
    {L"--Execute", L"-e", Key::Execute},
    {L"--ExecuteId", L"-ei", Key::ExecuteId},
    {L"--ExcuteAll", L"-ea", Key::ExecuteAll},
    {L"--Close", L"-c", Key::Close},
    {L"--List", L"-l", Key::List},
    {L"--Proxy", L"-prx", Key::Proxy},
    {L"--NSClean", L"-nsc", Key::NSClean},
};

const KeyRow* FindKey(const std::wstring& argument) {
    for (const KeyRow& row : kKeyTable) {
        if (argument == row.longForm || argument == row.shortForm) return &row;
    }
    return nullptr;
}

// The usage text still shows a host and a server name before the key and
// leaves out --Proxy and --NSClean; the command line takes neither position.
constexpr const wchar_t* kUsage =
    L"Usage: cvcc <NameServiceHost> <ServerName> <key>[<tasks>]\n"
    L"\n"
    L"<key>: \n"
    L"       --Help(-h)                This message\n"
    L"\n"
    L"       --Execute(-e) <tasks>     Execute specified tasks by name\n"
    L"       --ExecuteId(-ei) <tasks>  Execute specified tasks by id\n"
    L"       --ExecuteAll(-ea)         Execute all tasks\n"
    L"\n"
    L"       --Stop(-s) <tasks>        Stop specified tasks by name\n"
    L"       --StopId(-si) <tasks>     Stop specified tasks by id\n"
    L"       --StopAll(-sa)            Stop all tasks\n"
    L"\n"
    L"       --Delete(-d) <tasks>      Delete specified tasks by name\n"
    L"       --DeleteId(-di) <tasks>   Delete specified tasks by id\n"
    L"       --DeleteAll(-da)          Delete all tasks\n"
    L"\n"
    L"       --List(-l)                List all available tasks\n"
    L"       --Close(-c)               Close server\n"
    L"<tasks>                          Space separated list of task names, or IDs \n";

}  // namespace

void ConsoleApp::PrintUsage() {
    std::wcout << kUsage;
}

void ConsoleApp::ProcessCommandLine() {
    if (arguments.empty()) {
        PrintUsage();
        return;
    }
    while (argumentIndex < arguments.size()) {
        const std::wstring argument = arguments[argumentIndex];
        const KeyRow* row = FindKey(argument);
        if (!row) {
            ++argumentIndex;
            PrintUsage();
            argumentIndex = static_cast<std::uint32_t>(arguments.size());
            std::wcout << L"\nUnknown parameter: " << argument << std::endl;
            continue;
        }
        switch (row->key) {
            case Key::Help:
                ++argumentIndex;
                PrintUsage();
                argumentIndex = static_cast<std::uint32_t>(arguments.size());
                break;
            case Key::Delete:
                OpenSession();
                ProcessTasks(TaskCommand::Delete, false);
                break;
            case Key::DeleteId:
                OpenSession();
                ProcessTasks(TaskCommand::Delete, true);
                break;
            case Key::DeleteAll:
                OpenSession();
                ProcessAllTasks(TaskCommand::Delete);
                break;
            case Key::Stop:
                OpenSession();
                ProcessTasks(TaskCommand::Stop, false);
                break;
            case Key::StopId:
                OpenSession();
                ProcessTasks(TaskCommand::Stop, true);
                break;
            case Key::StopAll:
                OpenSession();
                ProcessAllTasks(TaskCommand::Stop);
                break;
            case Key::Execute:
                OpenSession();
                ProcessTasks(TaskCommand::Execute, false);
                break;
            case Key::ExecuteId:
                OpenSession();
                ProcessTasks(TaskCommand::Execute, true);
                break;
            case Key::ExecuteAll:
                OpenSession();
                ProcessAllTasks(TaskCommand::Execute);
                break;
            case Key::Close:
                // The server is needed, a session is not.
                ConnectToServer();
                ++argumentIndex;
                std::wcout << L"Shutdown server" << std::endl;
                server->ShutdownServer();
                argumentIndex = static_cast<std::uint32_t>(arguments.size());
                break;
            case Key::List:
                OpenSession();
                ListTasks();
                break;
            case Key::Proxy:
                OpenSession();
                SetProxy();
                break;
            case Key::NSClean:
                CleanCoordinator();
                break;
        }
    }
}
