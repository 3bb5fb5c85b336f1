// A reporter of the listing's calls alone, whose output stands for the whole
// run (the monitoring check, the metrics): of what a run tells, only the
// listing's rows, the hints and the run's end say anything to it, and the
// rest passes in silence. It remembers the last hint, which says more than a
// failure whose text names no cause (FailureCause, client/run.h).
#pragma once

#include <string>
#include <vector>

#include "client/reporter.h"

class ListingReporter : public Reporter {
public:
    void Banner() override {}
    void Usage() override {}
    void NoKey() override {}
    void HelpAsked(const std::wstring&) override {}
    void UnknownKey(const std::wstring&) override {}
    // The check takes every argument after it as a task's name, and the
    // metrics key chose this reporter itself: never told.
    void MetricsAsked(const std::wstring&) override {}
    void Hint(const std::string& text) override {
        Reporter::Hint(text);
        lastHint = text;
    }

    void ServerVersionAccepted(const std::wstring&) override {}
    void ServerVersionRefused(const std::wstring&) override {}
    void ShutdownRequesting() override {}
    void ShutdownRequested() override {}
    void ProxySet(const std::wstring&, CORBA::ULong) override {}

    void TaskNotFound(const std::wstring&) override {}
    void BadTaskId(const std::wstring&) override {}
    void TaskIdNotFound(const std::wstring&, int) override {}
    void TaskBusy(const TaskRef&, CORBA::ULong) override {}
    void TaskNotRunning(const TaskRef&, TaskAction, CORBA::ULong) override {}
    void Requesting(const TaskRef&, TaskAction) override {}
    void Requested(const TaskRef&, TaskAction, CORBA::ULong) override {}

    void WaitBegun() override {}
    void StillBusy() override {}
    void TaskEnded(const TaskRef&, CORBA::ULong, int) override {}
    void WaitInterrupted() override {}
    void ReadInterrupted() override {}

    void ListingBegun() override {}

    void LogBegun(const TaskRef&) override {}
    void LogUnavailable() override {}
    void LogOpened() override {}
    void LogLine(const std::wstring&) override {}
    void LogEnded() override {}

    void SweepBegun() override {}
    void Swept(const std::vector<std::wstring>&) override {}
    void SweepFailed(const std::vector<std::wstring>&) override {}

protected:
    // The last hint told, or empty.
    const std::string& LastHint() const { return lastHint; }

private:
    std::string lastHint;
};
