// The metrics' reporter (--Metrics): the listing's rows become the Prometheus
// text exposition format (0.0.4, as the node exporter's textfile collector
// reads it), on stdout or, given a file, in that file, replaced atomically:
// written beside it (FILE.tmp), then renamed over it, so that a reader never
// sees half of it and a failed run still replaces it.
//
// The families, each with one HELP and one TYPE line, all gauges in base
// units: cvcc_up, cvcc_collect_duration_seconds, cvcc_info, and after a run
// that read the whole listing cvcc_tasks and, for each task, its
// cvcc_task_status, its cvcc_task_state (one sample for each of the four
// monitoring states) and cvcc_task_busy. A failed run gives cvcc_up 0 and no
// task series, says its cause on stderr, and exits 1; a whole run exits 0.
// Two tasks of the same id and name are one series: the first in the
// server's order is kept.
//
// The metrics end at the check's deadline whatever the server does: whoever
// makes the reporter arms it, and there the failed form is written.
//
// `out` must outlive the reporter. Main thread, but for the deadline's own
// thread, which shares only what the mutex guards.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "client/deadline.h"
#include "client/listing_reporter.h"

class MetricsReporter : public ListingReporter {
public:
    // textfile: the file to replace, or none for stdout (out).
    MetricsReporter(std::wostream& out, std::optional<std::string> textfile,
                    std::chrono::seconds deadline, const DeadlineArm& armDeadline);
    MetricsReporter(const MetricsReporter&) = delete;
    MetricsReporter& operator=(const MetricsReporter&) = delete;

    int RunEnded(std::exception_ptr failure) override;
    void ServerVersionAccepted(const std::wstring& version) override;
    void ServerVersionRefused(const std::wstring& version) override;
    void RowId(CORBA::Long id) override { row.id = id; }
    void RowName(const std::wstring& name) override;
    void RowStatus(CORBA::ULong status) override;

private:
    // A task as read; its name, UTF-8 as the listing prints it, stands in
    // `names`, so that ten thousand rows cost little more than their text.
    struct Row {
        CORBA::Long id = 0;
        CORBA::ULong status = 0;
        std::size_t nameAt = 0;
        std::size_t nameLength = 0;
    };

    // Writes the text once, whole (with the task series) or failed; answers
    // the exit code. Called with the mutex held.
    int Write(bool whole);
    // The text, in pieces, to put.
    void Emit(bool whole, const std::function<void(const std::string&)>& put) const;
    // Replaces the textfile with the text; false, with a hint, when it cannot.
    bool ReplaceTextfile(bool whole);
    // Whether each row is the first of its id and name in the server's order.
    std::vector<bool> FirstOfEachSeries() const;
    int AtDeadline();

    std::wostream& out;
    const std::optional<std::string> textfile;
    const std::chrono::seconds deadlineAfter;
    const std::chrono::steady_clock::time_point started;
    Row row;                // the row being told
    std::vector<Row> rows;  // in the server's order
    std::string names;

    std::mutex mutex;
    std::string serverVersion;  // guarded by mutex
    bool written = false;       // guarded by mutex
    int exitCode = 1;           // guarded by mutex
    // Last: it goes first, so its thread never outlives what it reads.
    std::unique_ptr<ProcessDeadline> deadline;
};
