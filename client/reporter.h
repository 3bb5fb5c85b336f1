// What a run tells about itself. The commands say what happened, once, to a
// Reporter; a reporter alone turns that into output: the console's texts
// (ConsoleReporter), one JSON document (JsonReporter), a monitoring plugin's
// answer (CheckReporter). ConsoleApp::MakeReporter picks one from the
// command line; a command never asks which reporter it talks to. What a
// failure says and which exit code it gives, every reporter asks of
// client/run.h; what a task's status means, of client/task_status_text.h.
//
// Events come in the order things happen. Where the console tells of a
// request before it goes out and a record tells of it once the server took
// it, there are two events, Requesting and Requested: a request that fails
// leaves the first without the second.
//
// Every call comes from the main thread; a reporter writes to streams that
// its owner keeps alive while it is in use.
#pragma once

#include <omniORB4/CORBA.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

// A task as the run found it: how the command line named it, and its name.
struct TaskRef {
    std::optional<std::wstring> argument;  // none for the "all" keys
    std::optional<int> id;                 // the id read from the argument, for the by-id keys
    std::wstring name;                     // the display name, once the task is found
};

// What a task key does to a task: a request that changes it, or a wait for
// its end (nothing is sent).
enum class TaskAction { Delete, Stop, Start, Wait };

class Reporter {
public:
    virtual ~Reporter() = default;

    // --- The run and its command line ------------------------------------

    // The run opens, before the command line is read.
    virtual void Banner() = 0;
    // The run has ended, after `failure` when there is one: answers the exit
    // code, or throws the failure on for the main function to report after
    // the application's teardown.
    virtual int RunEnded(std::exception_ptr failure) = 0;
    // The command line needs explaining (a key that is missing its server).
    virtual void Usage() = 0;
    // The command line has no key.
    virtual void NoKey() = 0;
    // The help key.
    virtual void HelpAsked(const std::wstring& key) = 0;
    // An argument where a key belongs that is no key.
    virtual void UnknownKey(const std::wstring& argument) = 0;
    // The metrics key, before its listing's calls: a reporter that cannot
    // give metrics throws the failure that ends the run.
    virtual void MetricsAsked(const std::wstring& key) = 0;

    // A line for whoever set the client up, beside the output: where the
    // client looked, what it made of a failure. Written to stderr as
    // "cvcc: <text>".
    virtual void Hint(const std::string& text);

    // --- The server --------------------------------------------------------

    // The server's version, read: one this client speaks, or not.
    virtual void ServerVersionAccepted(const std::wstring& version) = 0;
    virtual void ServerVersionRefused(const std::wstring& version) = 0;
    virtual void ShutdownRequesting() = 0;
    virtual void ShutdownRequested() = 0;
    virtual void ProxySet(const std::wstring& host, CORBA::ULong port) = 0;

    // --- Tasks -------------------------------------------------------------

    virtual void TaskNotFound(const std::wstring& argument) = 0;
    virtual void BadTaskId(const std::wstring& argument) = 0;
    virtual void TaskIdNotFound(const std::wstring& argument, int id) = 0;
    // The task is busy, so the action is not requested.
    virtual void TaskBusy(const TaskRef& task, CORBA::ULong status) = 0;
    // A stop of, or a wait for, a task that is not busy: nothing to do.
    virtual void TaskNotRunning(const TaskRef& task, TaskAction action, CORBA::ULong status) = 0;
    // Before a request goes out, or a wait begins.
    virtual void Requesting(const TaskRef& task, TaskAction action) = 0;
    // status: the task's status before the request.
    virtual void Requested(const TaskRef& task, TaskAction action, CORBA::ULong status) = 0;

    // The wait for a started or running task: WaitBegun, then StillBusy for
    // each poll that finds it busy, then TaskEnded or WaitInterrupted.
    virtual void WaitBegun() = 0;
    virtual void StillBusy() = 0;
    virtual void TaskEnded(const TaskRef& task, CORBA::ULong status, int polls) = 0;
    // A signal ended the wait; the task runs on.
    virtual void WaitInterrupted() = 0;
    // A signal ended a long read (a listing, a log): nothing more is read.
    virtual void ReadInterrupted() = 0;

    // The listing, and the check: ListingBegun, then for each task its row
    // in three parts, each told as soon as its remote call has answered.
    virtual void ListingBegun() = 0;
    virtual void RowId(CORBA::Long id) = 0;
    virtual void RowName(const std::wstring& name) = 0;
    virtual void RowStatus(CORBA::ULong status) = 0;

    // A task's log: LogBegun, then LogUnavailable, or LogOpened, LogLine for
    // each line and LogEnded.
    virtual void LogBegun(const TaskRef& task) = 0;
    virtual void LogUnavailable() = 0;
    virtual void LogOpened() = 0;
    virtual void LogLine(const std::wstring& line) = 0;
    virtual void LogEnded() = 0;

    // --- The Coordinator ---------------------------------------------------

    virtual void SweepBegun() = 0;
    // The bindings the sweep removed, in its order; names as the Coordinator
    // gives them, decoded.
    virtual void Swept(const std::vector<std::wstring>& removed) = 0;
    // The sweep failed after it had removed these; the failure follows as the
    // run's end.
    virtual void SweepFailed(const std::vector<std::wstring>& removed) = 0;
};
