#include "client/metrics_reporter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <tuple>

#include "client/run.h"
#include "client/task_status_text.h"
#include "utility/strings.h"

namespace {

// By MonitoringState: the value of cvcc_task_state's "state" label.
constexpr const char* kStateLabels[] = {"ok", "warning", "critical", "unknown"};

// Where the text goes, in pieces of about this size, so that a listing of
// any length never stands whole in memory a second time.
constexpr std::size_t kPieceSize = 64 * 1024;

// A label's value as the text format asks: backslash, double quote and line
// feed escaped, everything else as it is.
void AppendLabelValue(std::string& text, const char* value, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        switch (value[i]) {
            case '\\':
                text += "\\\\";
                break;
            case '"':
                text += "\\\"";
                break;
            case '\n':
                text += "\\n";
                break;
            default:
                text += value[i];
        }
    }
}

void AppendFamily(std::string& text, const char* name, const char* help) {
    text.append("# HELP ").append(name).append(" ").append(help).append("\n# TYPE ");
    text.append(name).append(" gauge\n");
}

}  // namespace

MetricsReporter::MetricsReporter(std::wostream& out, std::optional<std::string> textfile,
                                 std::chrono::seconds deadline, const DeadlineArm& armDeadline)
    : out(out),
      textfile(std::move(textfile)),
      deadlineAfter(deadline),
      started(std::chrono::steady_clock::now()),
      deadline(armDeadline(deadline, [this] { return AtDeadline(); })) {}

void MetricsReporter::ServerVersionAccepted(const std::wstring& version) {
    std::lock_guard<std::mutex> lock(mutex);
    serverVersion = CVLib::strings::toAstr(version);
}

void MetricsReporter::ServerVersionRefused(const std::wstring& version) {
    ServerVersionAccepted(version);
}

void MetricsReporter::RowName(const std::wstring& name) {
    const std::string text = CVLib::strings::toAstr(name);
    row.nameAt = names.size();
    row.nameLength = text.size();
    names += text;
}

void MetricsReporter::RowStatus(CORBA::ULong status) {
    row.status = status;
    rows.push_back(row);
}

int MetricsReporter::RunEnded(std::exception_ptr failure) {
    if (failure) {
        const std::string cause = CVLib::strings::toAstr(FailureCause(failure, LastHint()));
        // A cause that is the last hint was said already.
        if (cause != LastHint()) Reporter::Hint(cause);
    }
    std::lock_guard<std::mutex> lock(mutex);
    return Write(!failure);
}

int MetricsReporter::AtDeadline() {
    std::lock_guard<std::mutex> lock(mutex);
    if (!written)
        Reporter::Hint("no answer within " + std::to_string(deadlineAfter.count()) + " s");
    return Write(false);
}

int MetricsReporter::Write(bool whole) {
    if (written) return exitCode;
    written = true;
    bool delivered = true;
    if (textfile) {
        delivered = ReplaceTextfile(whole);
    } else {
        Emit(whole, [this](const std::string& piece) { out << CVLib::strings::toWstr(piece); });
        out.flush();
    }
    exitCode = whole && delivered ? 0 : 1;
    return exitCode;
}

bool MetricsReporter::ReplaceTextfile(bool whole) {
    const std::string temporary = *textfile + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    if (ok) {
        Emit(whole, [fd, &ok](const std::string& piece) {
            for (std::size_t at = 0; ok && at < piece.size();) {
                const ssize_t n = ::write(fd, piece.data() + at, piece.size() - at);
                if (n < 0 && errno == EINTR) continue;
                ok = n > 0;
                if (ok) at += static_cast<std::size_t>(n);
            }
        });
        // The new file is on disk before it takes the old one's name.
        ok = ok && ::fsync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
    }
    if (ok && ::rename(temporary.c_str(), textfile->c_str()) == 0) return true;
    Reporter::Hint("the metrics could not replace " + *textfile + ": " + std::strerror(errno));
    ::unlink(temporary.c_str());
    return false;
}

void MetricsReporter::Emit(bool whole, const std::function<void(const std::string&)>& put) const {
    std::string text;
    const auto flushIfFull = [&] {
        if (text.size() < kPieceSize) return;
        put(text);
        text.clear();
    };
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started);
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.3f", seconds.count());

    AppendFamily(text, "cvcc_up", "Whether the run read the backup server's whole task listing.");
    text.append("cvcc_up ").append(whole ? "1" : "0").append("\n");
    AppendFamily(text, "cvcc_collect_duration_seconds", "How long the run took.");
    text.append("cvcc_collect_duration_seconds ").append(duration).append("\n");
    AppendFamily(text, "cvcc_info", "The version of cvcc, and of the backup server when known.");
    text.append("cvcc_info{version=\"");
    AppendLabelValue(text, CVCC_VERSION, std::strlen(CVCC_VERSION));
    if (!serverVersion.empty()) {
        text.append("\",server_version=\"");
        AppendLabelValue(text, serverVersion.data(), serverVersion.size());
    }
    text.append("\"} 1\n");
    if (whole) {
        AppendFamily(text, "cvcc_tasks", "The number of tasks on the backup server.");
        text.append("cvcc_tasks ").append(std::to_string(rows.size())).append("\n");
        const std::vector<bool> kept = FirstOfEachSeries();
        const auto labels = [&](const Row& r) {
            text.append("{id=\"").append(std::to_string(r.id)).append("\",name=\"");
            AppendLabelValue(text, names.data() + r.nameAt, r.nameLength);
            text.append("\"");
        };
        AppendFamily(text, "cvcc_task_status", "The task's status code (docs/json.md).");
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (!kept[i]) continue;
            text.append("cvcc_task_status");
            labels(rows[i]);
            text.append("} ").append(std::to_string(rows[i].status)).append("\n");
            flushIfFull();
        }
        AppendFamily(text, "cvcc_task_state",
                     "1 for the task's monitoring state, as --Check maps its status, else 0.");
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (!kept[i]) continue;
            const auto state = static_cast<std::size_t>(MonitoringStateOf(rows[i].status));
            for (std::size_t s = 0; s < 4; ++s) {
                text.append("cvcc_task_state");
                labels(rows[i]);
                text.append(",state=\"").append(kStateLabels[s]).append("\"} ");
                text.append(s == state ? "1\n" : "0\n");
            }
            flushIfFull();
        }
        AppendFamily(text, "cvcc_task_busy",
                     "1 while the task backs up, restores or synchronises, else 0.");
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (!kept[i]) continue;
            text.append("cvcc_task_busy");
            labels(rows[i]);
            text.append(IsBusy(rows[i].status) ? "} 1\n" : "} 0\n");
            flushIfFull();
        }
    }
    put(text);
}

std::vector<bool> MetricsReporter::FirstOfEachSeries() const {
    const auto key = [this](std::size_t i) {
        return std::make_tuple(rows[i].id,
                               std::string_view(names.data() + rows[i].nameAt, rows[i].nameLength));
    };
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
    std::vector<bool> kept(rows.size(), true);
    for (std::size_t i = 1; i < order.size(); ++i)
        if (key(order[i]) == key(order[i - 1])) kept[order[i]] = false;
    return kept;
}
