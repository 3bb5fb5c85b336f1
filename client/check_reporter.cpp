#include "client/check_reporter.h"

#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>

#include "client/json_report.h"
#include "client/run.h"
#include "client/task_status_text.h"
#include "client/wait_interruption.h"
#include "idl/task_status.h"
#include "utility/strings.h"

using CVLib::strings::toAstr;
using State = CheckReporter::State;

namespace {

constexpr std::chrono::seconds kDefaultDeadline(10);

const char* StateName(State state) {
    switch (state) {
        case State::Ok:
            return "OK";
        case State::Warning:
            return "WARNING";
        case State::Critical:
            return "CRITICAL";
        case State::Unknown:
            return "UNKNOWN";
    }
    return "UNKNOWN";
}

State StateOf(CORBA::ULong status) {
    switch (status) {
        case BackupNetwork::tsError:
        case BackupNetwork::tsErrorSchedule:
        case BackupNetwork::tsQuotaExceeded:
        case BackupNetwork::tsAccountExpired:
        case BackupNetwork::tsSilentDeclined:
            return State::Critical;
        case BackupNetwork::tsSuccessWithErrors:
        case BackupNetwork::tsSuccessScheduleWithErrors:
        case BackupNetwork::tsStopped:
            return State::Warning;
        default:
            return status < BackupNetwork::tsTotal ? State::Ok : State::Unknown;
    }
}

// How bad a state is: the run's state is the worst one present.
int Badness(State state) {
    switch (state) {
        case State::Ok:
            return 0;
        case State::Unknown:
            return 1;
        case State::Warning:
            return 2;
        case State::Critical:
            return 3;
    }
    return 1;
}

State Worse(State a, State b) {
    return Badness(b) > Badness(a) ? b : a;
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

CheckReporter::CheckReporter(std::wostream& out, bool json, std::chrono::seconds deadline)
    : out(out),
      json(json),
      deadlineAfter(deadline),
      deadline(std::make_unique<ProcessDeadline>(deadline, [this] { return AtDeadline(); })) {}

void CheckReporter::Hint(const std::string& text) {
    Reporter::Hint(text);
    lastHint = text;
}

void CheckReporter::TaskNotFound(const std::wstring& argument) {
    Finding missing;
    missing.state = State::Unknown;
    missing.name = argument;
    missing.notFound = true;
    findings.push_back(missing);
    ++notFound;
}

void CheckReporter::RowStatus(CORBA::ULong status) {
    row.status = status;
    row.state = StateOf(status);
    ++tasks;
    if (IsBusy(status)) ++busy;
    switch (row.state) {
        case State::Ok:
            ++ok;
            return;
        case State::Warning:
            ++warning;
            break;
        case State::Critical:
            ++critical;
            break;
        case State::Unknown:
            ++unknown;
            break;
    }
    findings.push_back(row);
}

std::wstring CheckReporter::WhatFailed(std::exception_ptr failure) const {
    try {
        std::rethrow_exception(failure);
    } catch (const console::WaitInterrupted& e) {
        return L"interrupted by signal " + std::to_wstring(e.signal);
    } catch (...) {
    }
    std::wstring text = FailureText(failure);
    // A text that names no more than the exception's type says less than
    // the hint that went with it.
    if (text == L"std::exception" && !lastHint.empty()) text = CVLib::strings::toWstr(lastHint);
    // One line: the console's leading line breaks go, inner ones become spaces.
    text.erase(0, text.find_first_not_of(L'\n'));
    for (wchar_t& c : text)
        if (c == L'\n') c = L' ';
    return text;
}

int CheckReporter::RunEnded(std::exception_ptr failure) {
    std::lock_guard<std::mutex> lock(mutex);
    if (failure) return Write(State::Unknown, WhatFailed(failure), failure, false);
    State state = State::Ok;
    for (const Finding& finding : findings) state = Worse(state, finding.state);
    if (tasks == 0 && findings.empty()) return Write(State::Warning, L"no tasks", nullptr, true);
    std::wstring summary = std::to_wstring(tasks) + (tasks == 1 ? L" task" : L" tasks");
    if (state == State::Ok) {
        summary += L" OK";
    } else {
        summary += L": " + std::to_wstring(critical) + L" critical, " + std::to_wstring(warning) +
                   L" warning, " + std::to_wstring(unknown) + L" unknown";
        if (notFound) summary += L", " + std::to_wstring(notFound) + L" not found";
    }
    return Write(state, summary, nullptr, true);
}

int CheckReporter::Write(State state, const std::wstring& summary, std::exception_ptr failure,
                         bool facts) {
    if (written) return exitCode;
    if (json) {
        nlohmann::json document = {{"state", StateName(state)}, {"summary", toAstr(summary)}};
        if (failure) document["error"] = DescribeFailure(failure);
        if (facts) {
            document["counts"] = {{"tasks", tasks},     {"ok", ok},
                                  {"warning", warning}, {"critical", critical},
                                  {"unknown", unknown}, {"busy", busy}};
            nlohmann::json listed = nlohmann::json::array(), missing = nlohmann::json::array();
            for (const Finding& f : findings) {
                if (f.notFound) {
                    missing.push_back(toAstr(f.name));
                    continue;
                }
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
    } else {
        out << L"BACKUP " << StateName(state) << L" - " << summary;
        if (facts)
            out << L" | tasks=" << tasks << L" ok=" << ok << L" warning=" << warning
                << L" critical=" << critical << L" unknown=" << unknown << L" busy=" << busy;
        out << L"\n";
        for (const Finding& f : findings) {
            if (!facts) break;
            if (f.notFound)
                out << L"not found: " << f.name << L"\n";
            else
                out << GetTaskStatusText(f.status) << L": " << f.name << L" (id " << f.id << L")\n";
        }
    }
    out.flush();
    written = true;
    exitCode = static_cast<int>(state);
    return exitCode;
}

int CheckReporter::AtDeadline() {
    std::lock_guard<std::mutex> lock(mutex);
    return Write(State::Unknown,
                 L"no answer within " + std::to_wstring(deadlineAfter.count()) + L" s", nullptr,
                 false);
}
