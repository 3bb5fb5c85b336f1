// The application object: the state of one command line and the commands it
// runs. One lives for one run, on the main function's stack; every call comes
// from the main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a task key does to the tasks it names.
enum TaskCommand { Delete = 0, Execute = 1, Stop = 3 };

class ConsoleApp {
public:
    // argv holds argc wide texts; the first, the program's name, is not kept.
    ConsoleApp(int argc, wchar_t* argv[]);
    virtual ~ConsoleApp();
    ConsoleApp(const ConsoleApp&) = delete;
    ConsoleApp& operator=(const ConsoleApp&) = delete;

    // Prints the banner and processes the command line. Failures leave as
    // ConsoleAppEx with the text to print, or as CCommonException.
    void Run();

    void SetArguments(int argc, wchar_t* argv[]);
    void PrintBanner();
    void ProcessCommandLine();

private:
    void PrintUsage();

    // The connection sequence and the commands; each throws ConsoleAppEx on
    // a failure it can explain.
    void ConnectToServer();
    void OpenSession();
    void ProcessTasks(TaskCommand command, bool byId);
    void ProcessAllTasks(TaskCommand command);
    void ListTasks();
    void SetProxy();
    void CleanCoordinator();
    void CloseServer();

    std::vector<std::wstring> arguments;
    std::uint32_t argumentIndex = 0;
};
