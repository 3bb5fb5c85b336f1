// The console's texts: what a run prints without --Json, byte for byte, with
// a flush at the end of each line and after "Waiting" and each dot, so the
// wait's progress reaches the terminal before the sleep that follows.
//
// `out` must outlive the reporter. Some of these texts serve other reporters
// as well (the JSON mode's wait progress on a terminal): they take one of
// these on a stream of their own.
#pragma once

#include <ostream>

#include "client/reporter.h"

class ConsoleReporter : public Reporter {
public:
    explicit ConsoleReporter(std::wostream& out) : out(out) {}
    ConsoleReporter(const ConsoleReporter&) = delete;
    ConsoleReporter& operator=(const ConsoleReporter&) = delete;

    void Banner() override;
    // Throws the failure on: the main function prints it after the teardown.
    int RunEnded(std::exception_ptr failure) override;
    void Usage() override;
    void NoKey() override;
    void HelpAsked(const std::wstring& key) override;
    void UnknownKey(const std::wstring& argument) override;
    // The console gives no metrics: the metrics key must come first.
    void MetricsAsked(const std::wstring& key) override;

    void ServerVersionAccepted(const std::wstring&) override {}
    void ServerVersionRefused(const std::wstring& version) override;
    void ShutdownRequesting() override;
    void ShutdownRequested() override {}
    void ProxySet(const std::wstring& host, CORBA::ULong port) override;

    void TaskNotFound(const std::wstring& argument) override;
    void BadTaskId(const std::wstring& argument) override;
    void TaskIdNotFound(const std::wstring& argument, int id) override;
    void TaskBusy(const TaskRef& task, CORBA::ULong status) override;
    void TaskNotRunning(const TaskRef& task, TaskAction action, CORBA::ULong status) override;
    void Requesting(const TaskRef& task, TaskAction action) override;
    void Requested(const TaskRef&, TaskAction, CORBA::ULong) override {}

    void WaitBegun() override;
    void StillBusy() override;
    void TaskEnded(const TaskRef& task, CORBA::ULong status, int polls) override;
    void WaitInterrupted() override;
    void ReadInterrupted() override;

    void ListingBegun() override;
    void RowId(CORBA::Long id) override;
    void RowName(const std::wstring& name) override;
    void RowStatus(CORBA::ULong status) override;

    void LogBegun(const TaskRef& task) override;
    void LogUnavailable() override;
    void LogOpened() override {}
    void LogLine(const std::wstring& line) override;
    void LogEnded() override {}

    void SweepBegun() override;
    void Swept(const std::vector<std::wstring>& removed) override;
    // The console's text of a failed sweep is the failure's alone; stderr
    // names what was removed.
    void SweepFailed(const std::vector<std::wstring>& removed) override;

private:
    std::wostream& out;
};
