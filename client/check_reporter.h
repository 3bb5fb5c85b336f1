// The monitoring check's reporter (--Check): the listing's rows become a
// monitoring plugin's answer, in the conventions that Nagios, Icinga, Naemon
// and Checkmk share. On stdout, nothing but
//
//   BACKUP <STATE> - <summary> | tasks=N ok=N warning=N critical=N unknown=N busy=N
//
// and one line for each task that is not OK, or, with --Json, one document
// of the same facts. The exit code is the state's: 0 OK, 1 WARNING,
// 2 CRITICAL, 3 UNKNOWN. A failure of any kind is UNKNOWN, in one line.
//
// The check ends at its deadline whatever the server does. Whoever makes the
// reporter arms the deadline: the program arms a ProcessDeadline, and the
// process ends there with UNKNOWN when nothing was written yet, and with the
// state written otherwise (a teardown that hangs); runs inside a test arm
// one that never expires.
//
// `out` must outlive the reporter. Main thread, but for the deadline's own
// thread, which shares only what the mutex guards.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "client/deadline.h"
#include "client/listing_reporter.h"
#include "client/task_status_text.h"

// The check's deadline: CVCC_CHECK_TIMEOUT seconds (a whole number from 1 to
// 86400), else 10 s, with a hint on stderr when the variable holds anything
// else.
std::chrono::seconds CheckDeadline();

class CheckReporter : public ListingReporter {
public:
    // armDeadline arms the deadline, `deadline` from now, which ends the
    // check with "no answer within N s" unless it has answered.
    CheckReporter(std::wostream& out, bool json, std::chrono::seconds deadline,
                  const DeadlineArm& armDeadline);
    CheckReporter(const CheckReporter&) = delete;
    CheckReporter& operator=(const CheckReporter&) = delete;

    int RunEnded(std::exception_ptr failure) override;
    void TaskNotFound(const std::wstring& argument) override;
    void RowId(CORBA::Long id) override { row.id = id; }
    void RowName(const std::wstring& name) override { row.name = name; }
    void RowStatus(CORBA::ULong status) override;

private:
    using State = MonitoringState;

    // A task that is not OK, or a name that matched none (notFound).
    struct Finding {
        State state = State::Ok;
        CORBA::Long id = 0;
        std::wstring name;
        CORBA::ULong status = 0;
        bool notFound = false;
    };

    // Notes a task that is not OK, or a name that matched none.
    void Found(const Finding& finding);
    int Count(State state) const { return counts[static_cast<int>(state)]; }
    // Writes the answer once, with the counts and the findings when `facts`;
    // answers the exit code. Called with the mutex held.
    int Write(State state, const std::wstring& summary, std::exception_ptr failure, bool facts);
    void WritePluginLines(State state, const std::wstring& summary, bool facts);
    void WriteDocument(State state, const std::wstring& summary, std::exception_ptr failure,
                       bool facts);
    int AtDeadline();

    std::wostream& out;
    const bool json;
    const std::chrono::seconds deadlineAfter;
    Finding row;         // the row being told
    int counts[4] = {};  // the tasks by State
    int tasks = 0, busy = 0, notFound = 0;
    State worst = State::Ok;  // of the findings
    std::vector<Finding> findings;

    std::mutex mutex;
    bool written = false;  // guarded by mutex
    int exitCode = 3;      // guarded by mutex
    // Last: it goes first, so its thread never outlives what it reads.
    std::unique_ptr<ProcessDeadline> deadline;
};
