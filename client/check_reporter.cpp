#include "client/check_reporter.h"

#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>

#include "client/json_document.h"
#include "client/run.h"
#include "client/task_status_text.h"
#include "utility/strings.h"

using CVLib::strings::toAstr;
using State = MonitoringState;

namespace {

constexpr std::chrono::seconds kDefaultDeadline(10);

// By State: its name, and how bad it is (the run's state is the worst one
// present, in the order CRITICAL, WARNING, UNKNOWN, OK).
constexpr const char* kStateNames[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};
constexpr int kBadness[] = {0, 2, 3, 1};

const char* StateName(State state) {
    return kStateNames[static_cast<int>(state)];
}

}  // namespace

std::chrono::seconds CheckDeadline() {
    const char* text = std::getenv("CVCC_CHECK_TIMEOUT");
    if (!text) return kDefaultDeadline;
    char* end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && seconds >= 1 && seconds <= 86400)
        return std::chrono::seconds(seconds);
    std::cerr << "cvcc: CVCC_CHECK_TIMEOUT is not a whole number of seconds from 1 to 86400: \""
              << text << "\"; the check waits " << kDefaultDeadline.count() << " s" << std::endl;
    return kDefaultDeadline;
}

CheckReporter::CheckReporter(std::wostream& out, bool json, std::chrono::seconds deadline,
                             const DeadlineArm& armDeadline)
    : out(out),
      json(json),
      deadlineAfter(deadline),
      deadline(armDeadline(deadline, [this] { return AtDeadline(); })) {}

void CheckReporter::Found(const Finding& finding) {
    if (kBadness[static_cast<int>(finding.state)] > kBadness[static_cast<int>(worst)])
        worst = finding.state;
    findings.push_back(finding);
}

void CheckReporter::TaskNotFound(const std::wstring& argument) {
    Finding missing;
    missing.state = State::Unknown;
    missing.name = argument;
    missing.notFound = true;
    Found(missing);
    ++notFound;
}

void CheckReporter::RowStatus(CORBA::ULong status) {
    row.status = status;
    row.state = MonitoringStateOf(status);
    ++tasks;
    ++counts[static_cast<int>(row.state)];
    if (IsBusy(status)) ++busy;
    if (row.state != State::Ok) Found(row);
}

int CheckReporter::RunEnded(std::exception_ptr failure) {
    std::lock_guard<std::mutex> lock(mutex);
    if (failure) return Write(State::Unknown, FailureCause(failure, LastHint()), failure, false);
    if (tasks == 0 && findings.empty()) return Write(State::Warning, L"no tasks", nullptr, true);
    std::wstring summary = std::to_wstring(tasks) + (tasks == 1 ? L" task" : L" tasks");
    if (worst == State::Ok) {
        summary += L" OK";
    } else {
        summary += L": " + std::to_wstring(Count(State::Critical)) + L" critical, " +
                   std::to_wstring(Count(State::Warning)) + L" warning, " +
                   std::to_wstring(Count(State::Unknown)) + L" unknown";
        if (notFound) summary += L", " + std::to_wstring(notFound) + L" not found";
    }
    return Write(worst, summary, nullptr, true);
}

int CheckReporter::Write(State state, const std::wstring& summary, std::exception_ptr failure,
                         bool facts) {
    if (written) return exitCode;
    if (json)
        WriteDocument(state, summary, failure, facts);
    else
        WritePluginLines(state, summary, facts);
    out.flush();
    written = true;
    exitCode = static_cast<int>(state);
    return exitCode;
}

void CheckReporter::WritePluginLines(State state, const std::wstring& summary, bool facts) {
    out << L"BACKUP " << StateName(state) << L" - " << summary;
    if (!facts) {
        out << L"\n";
        return;
    }
    out << L" | tasks=" << tasks << L" ok=" << Count(State::Ok) << L" warning="
        << Count(State::Warning) << L" critical=" << Count(State::Critical) << L" unknown="
        << Count(State::Unknown) << L" busy=" << busy << L"\n";
    for (const Finding& f : findings) {
        if (f.notFound)
            out << L"not found: " << f.name << L"\n";
        else
            out << GetTaskStatusText(f.status) << L": " << f.name << L" (id " << f.id << L")\n";
    }
}

void CheckReporter::WriteDocument(State state, const std::wstring& summary,
                                  std::exception_ptr failure, bool facts) {
    nlohmann::json document = {{"state", StateName(state)}, {"summary", toAstr(summary)}};
    if (failure) document["error"] = DescribeFailure(failure);
    if (facts) {
        document["counts"] = {{"tasks", tasks},
                              {"ok", Count(State::Ok)},
                              {"warning", Count(State::Warning)},
                              {"critical", Count(State::Critical)},
                              {"unknown", Count(State::Unknown)},
                              {"busy", busy}};
        nlohmann::json listed = nlohmann::json::array(), missing = nlohmann::json::array();
        for (const Finding& f : findings) {
            if (f.notFound)
                missing.push_back(toAstr(f.name));
            else
                listed.push_back({{"id", f.id},
                                  {"name", toAstr(f.name)},
                                  {"status", toAstr(GetTaskStatusText(f.status))},
                                  {"statusNumber", f.status},
                                  {"state", StateName(f.state)}});
        }
        document["tasks"] = listed;
        document["notFound"] = missing;
    }
    out << CVLib::strings::toWstr(DumpJson(document)) << L"\n";
}

int CheckReporter::AtDeadline() {
    std::lock_guard<std::mutex> lock(mutex);
    return Write(State::Unknown,
                 L"no answer within " + std::to_wstring(deadlineAfter.count()) + L" s", nullptr,
                 false);
}
