// The JSON mode's reporter: what a run tells becomes one document on the
// console (written by JsonDocument), and the run's exit code follows what the
// document says. A started task's wait shows its progress in the console's words on
// stderr when that is a terminal, and nowhere otherwise.
//
// The exit code: 0 when all that was asked was done and every waited task
// ended in success (with errors or not); 2 when the run went to its end
// without that; 1 after a failure; 128 and the signal's number after an
// interrupted wait.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

#include "client/console_reporter.h"
#include "client/json_document.h"
#include "client/reporter.h"

class JsonReporter : public Reporter {
public:
    // `out` must outlive the reporter.
    explicit JsonReporter(std::wostream& out);
    JsonReporter(const JsonReporter&) = delete;
    JsonReporter& operator=(const JsonReporter&) = delete;

    void Banner() override {}
    // Ends the document; never throws the failure on.
    int RunEnded(std::exception_ptr failure) override;
    void Usage() override {}
    void NoKey() override;
    void HelpAsked(const std::wstring& key) override;
    void UnknownKey(const std::wstring& argument) override;
    // Two outputs for one run: a failure.
    void MetricsAsked(const std::wstring& key) override;

    void ServerVersionAccepted(const std::wstring&) override {}
    void ServerVersionRefused(const std::wstring& version) override;
    void ShutdownRequesting() override {}
    void ShutdownRequested() override;
    void ProxySet(const std::wstring& host, CORBA::ULong port) override;

    void TaskNotFound(const std::wstring& argument) override;
    void BadTaskId(const std::wstring& argument) override;
    void TaskIdNotFound(const std::wstring& argument, int id) override;
    void TaskBusy(const TaskRef& task, CORBA::ULong status) override;
    void TaskNotRunning(const TaskRef& task, TaskAction action, CORBA::ULong status) override;
    void Requesting(const TaskRef& task, TaskAction action) override;
    void Requested(const TaskRef& task, TaskAction action, CORBA::ULong status) override;

    void WaitBegun() override { progress.WaitBegun(); }
    void StillBusy() override { progress.StillBusy(); }
    void TaskEnded(const TaskRef& task, CORBA::ULong status, int polls) override;
    void WaitInterrupted() override { progress.WaitInterrupted(); }
    void ReadInterrupted() override { progress.ReadInterrupted(); }

    void ListingBegun() override;
    void RowId(CORBA::Long id) override;
    void RowName(const std::wstring& name) override;
    void RowStatus(CORBA::ULong status) override;

    void LogBegun(const TaskRef& task) override;
    void LogUnavailable() override;
    void LogOpened() override;
    void LogLine(const std::wstring& line) override;
    void LogEnded() override;

    void SweepBegun() override {}
    void Swept(const std::vector<std::wstring>& removed) override;
    // The names removed stand before the failure's member; stderr names
    // them as without --Json.
    void SweepFailed(const std::vector<std::wstring>& removed) override {
        progress.SweepFailed(removed);
        Swept(removed);
    }

private:
    // The document's answer to a command line that names no command.
    void NoCommand(const std::wstring& message);
    // The entry of a task that was not found, or not done as asked.
    void NotDone(const nlohmann::json& entry);
    // A task's entry with its outcome and the status it was found in, or
    // ended in after `polls`.
    void Record(const TaskRef& task, const char* outcome, CORBA::ULong status, bool done,
                std::optional<int> polls = std::nullopt);
    // An entry that stands for a waited task until the wait ends: a run that
    // ends before that writes it as it is.
    void Hold(const TaskRef& task, const char* outcome);

    JsonDocument document;
    std::optional<nlohmann::json> held;  // the waited task's entry
    // Something asked for was not done as asked: the run exits with 2.
    bool incomplete = false;
    // stderr when that is a terminal, else a stream that writes nowhere.
    std::unique_ptr<std::wostream> progressStream;
    ConsoleReporter progress;
    nlohmann::json row;       // the listing's row being told
    nlohmann::json logEntry;  // the entry of the log being read
};
