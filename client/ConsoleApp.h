// The application object: the client of the backup network for one run. It
// owns the connection through its bases, and the server and session
// references, the task-list snapshot and the connection flags through its
// own fields; its destructor undoes exactly what the flags record. One lives
// for one run, on the main function's stack; every call comes from the main
// thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "BackupNetwork.hh"
#include "client/deadline.h"
#include "client/reporter.h"
#include "network/CBackupNetwork.h"

// What a task key does to the tasks it names.
enum class TaskCommand { Delete = 0, Execute = 1, Stop = 3, Wait = 4 };

class ConsoleApp : public CBackupNetwork {
public:
    // How the waits of an executed task pass: the calling thread's sleep.
    using Sleeper = std::function<void(std::chrono::milliseconds)>;

    // argv holds argc wide texts; the first, the program's name, is not kept.
    // Reports to std::wcout and sleeps for real.
    ConsoleApp(int argc, wchar_t* argv[]);
    // The commands against a server that was found already, for tests: it
    // stands in for the connection sequence (no Coordinator, no version
    // check). Output goes to `console`, which must outlive this object, and
    // every wait to `sleep`; the check's deadline never ends the process.
    ConsoleApp(int argc, wchar_t* argv[], BackupNetwork::Server_ptr foundServer,
               std::wostream& console, Sleeper sleep);
    // Deactivates the session and disconnects, each only when it was made;
    // failures there are silent.
    ~ConsoleApp() override;
    ConsoleApp(const ConsoleApp&) = delete;
    ConsoleApp& operator=(const ConsoleApp&) = delete;

    // Prints the banner and processes the command line; answers the exit
    // code that the reporter gives. The console's reporter lets failures
    // leave as ConsoleAppEx with the text to print (CORBA failures
    // translated, the CORBA exception nested in it), or as CCommonException
    // from the layers below; the JSON mode's (--Json, --json or -j before
    // the key) writes them into its document instead.
    int Run();

    // Also chooses the reporter, from the first argument.
    void SetArguments(int argc, wchar_t* argv[]);
    // The reporter that the arguments (the program's name left out) ask for,
    // writing to `out`; takes the JSON key off the arguments. A reporter with
    // a deadline (the check's) has it armed by armDeadline.
    static std::unique_ptr<Reporter> MakeReporter(std::vector<std::wstring>& arguments,
                                                  std::wostream& out,
                                                  const DeadlineArm& armDeadline);
    void PrintBanner();
    void ProcessCommandLine();

private:
    void ProcessTranslated();
    // Whether the argument is the monitoring check's key, or the metrics
    // key, in either form.
    static bool IsCheckKey(const std::wstring& argument);
    static bool IsMetricsKey(const std::wstring& argument);

    // The connection sequence: each runs at most once a run.
    void ConnectToServer();
    // Connects to the Coordinator; when none answers, hints where it looked
    // and where the port came from (portSource), then fails with the
    // connection's own failure.
    void ConnectToCoordinator(const std::wstring& host, const std::wstring& port,
                              const std::string& portSource);
    // Hints where the client looked for the Coordinator and where that
    // address came from.
    void HintNoCoordinator(const std::wstring& host, const std::wstring& port,
                           const std::string& portSource);
    bool CheckServerVersion();
    void OpenSession();

    // The task commands.
    void ProcessTasks(TaskCommand command, bool byId);
    // Finds the task of each argument that follows the key, and hands it to
    // act with how the argument named it.
    void ForEachNamedTask(bool byId,
                          const std::function<void(BackupNetwork::Task_ptr, TaskRef)>& act);
    void ProcessAllTasks(TaskCommand command);
    BackupNetwork::Task_ptr FindTaskByName(const std::wstring& name);
    BackupNetwork::Task_ptr FindTaskById(const std::wstring& idText);
    void ApplyTaskCommand(BackupNetwork::Task_ptr task, TaskCommand command, TaskRef ref);
    // Keeps the later searches of this run off a task it deleted.
    void MarkDeleted(BackupNetwork::Task_ptr task);
    // Polls the started task until it is no longer busy; tells the reporter
    // how it ended.
    void WaitForTask(BackupNetwork::Task_ptr task, const TaskRef& ref);

    void ListTasks();
    // The monitoring check: the listing's calls, for every task or for the
    // tasks the arguments name.
    void CheckTasks();
    // A task's row: its id, its name and its status, each told once read.
    void ListRow(BackupNetwork::Task_ptr task);
    // Ends a wait or a long read (a listing, a log) with
    // console::WaitInterrupted when a signal was caught while a
    // console::WaitInterruption lives, after telling the reporter (`tell`).
    void EndIfInterrupted(void (Reporter::*tell)());
    // The task's display name, decoded.
    static std::wstring DisplayName(BackupNetwork::Task_ptr task);
    // The log keys: each task's log, line by line as the server hands it out.
    void ShowLogs(bool byId);
    void ShowLog(BackupNetwork::Task_ptr task, TaskRef ref);

    // Server maintenance; the close command runs inside ProcessCommandLine.
    void SetProxy();
    void CleanCoordinator();

    std::wostream& console;
    Sleeper sleep;
    DeadlineArm armDeadline;
    std::unique_ptr<Reporter> reporter;
    BackupNetwork::Server_var server;
    BackupNetwork::Session_var session;
    std::unique_ptr<BackupNetwork::TasksList> tasks;
    // The tasks of the snapshot that this run deleted, by index: no later
    // search reads them.
    std::vector<bool> deleted;
    std::vector<std::wstring> arguments;
    std::uint32_t argumentIndex = 0;
    std::uint32_t taskCount = 0;
    std::wstring coordinatorHost;
    std::wstring coordinatorPort;
    bool connected = false;
    bool sessionOpen = false;
};
