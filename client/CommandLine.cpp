// The command line: the key table and the dispatcher.
#include "client/ConsoleApp.h"

namespace {

// What a key does; the task keys differ only in the command and in how
// their tasks are named, which their rows carry.
enum class Key { Help, Tasks, AllTasks, Close, List, Proxy, NSClean, Log, Check, Metrics };

struct KeyRow {
    const wchar_t* longForm;
    const wchar_t* shortForm;
    Key key;
    TaskCommand command = TaskCommand::Execute;  // the task keys only
    bool byId = false;                           // Key::Tasks and Key::Log only
};

// Compared in this order, each form exactly and case-sensitively. The long
// form of "execute all" really is "--ExcuteAll": scripts depend on it, while
// "--ExecuteAll", as the usage text spells it, is an unknown parameter.
constexpr KeyRow kKeyTable[] = {
    {L"--Help", L"-h", Key::Help},
    {L"--Delete", L"-d", Key::Tasks, TaskCommand::Delete, false},
    {L"--DeleteId", L"-di", Key::Tasks, TaskCommand::Delete, true},
    {L"--DeleteAll", L"-da", Key::AllTasks, TaskCommand::Delete},
    {L"--Stop", L"-s", Key::Tasks, TaskCommand::Stop, false},
    {L"--StopId", L"-si", Key::Tasks, TaskCommand::Stop, true},
    {L"--StopAll", L"-sa", Key::AllTasks, TaskCommand::Stop},
    {L"--Execute", L"-e", Key::Tasks, TaskCommand::Execute, false},
    {L"--ExecuteId", L"-ei", Key::Tasks, TaskCommand::Execute, true},
    {L"--ExcuteAll", L"-ea", Key::AllTasks, TaskCommand::Execute},
    {L"--Close", L"-c", Key::Close},
    {L"--List", L"-l", Key::List},
    {L"--Log", L"-lg", Key::Log, TaskCommand::Execute, false},
    {L"--LogId", L"-lgi", Key::Log, TaskCommand::Execute, true},
    {L"--Wait", L"-w", Key::Tasks, TaskCommand::Wait, false},
    {L"--WaitId", L"-wi", Key::Tasks, TaskCommand::Wait, true},
    {L"--WaitAll", L"-wa", Key::AllTasks, TaskCommand::Wait},
    {L"--Check", L"-chk", Key::Check},
    {L"--Metrics", L"-mtr", Key::Metrics},
    {L"--Proxy", L"-prx", Key::Proxy},
    {L"--NSClean", L"-nsc", Key::NSClean},
};

const KeyRow* FindKey(const std::wstring& argument) {
    for (const KeyRow& row : kKeyTable) {
        if (argument == row.longForm || argument == row.shortForm) return &row;
    }
    return nullptr;
}

}  // namespace

bool ConsoleApp::IsCheckKey(const std::wstring& argument) {
    const KeyRow* row = FindKey(argument);
    return row && row->key == Key::Check;
}

bool ConsoleApp::IsMetricsKey(const std::wstring& argument) {
    const KeyRow* row = FindKey(argument);
    return row && row->key == Key::Metrics;
}

void ConsoleApp::ProcessCommandLine() {
    if (arguments.empty()) {
        reporter->NoKey();
        return;
    }
    while (argumentIndex < arguments.size()) {
        const std::wstring argument = arguments[argumentIndex];
        const KeyRow* row = FindKey(argument);
        if (!row) {
            argumentIndex = static_cast<std::uint32_t>(arguments.size());
            reporter->UnknownKey(argument);
            continue;
        }
        switch (row->key) {
            case Key::Help:
                argumentIndex = static_cast<std::uint32_t>(arguments.size());
                reporter->HelpAsked(argument);
                break;
            case Key::Tasks:
                OpenSession();
                ProcessTasks(row->command, row->byId);
                break;
            case Key::AllTasks:
                OpenSession();
                ProcessAllTasks(row->command);
                break;
            case Key::Close:
                // The server is needed, a session is not.
                ConnectToServer();
                ++argumentIndex;
                reporter->ShutdownRequesting();
                server->ShutdownServer();
                reporter->ShutdownRequested();
                argumentIndex = static_cast<std::uint32_t>(arguments.size());
                break;
            case Key::List:
                OpenSession();
                ListTasks();
                break;
            case Key::Log:
                OpenSession();
                ShowLogs(row->byId);
                break;
            case Key::Check:
                OpenSession();
                CheckTasks();
                break;
            case Key::Metrics:
                // The listing's calls, told to the metrics; an argument
                // after the key names the file they go to, which the
                // reporter took already.
                reporter->MetricsAsked(argument);
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
