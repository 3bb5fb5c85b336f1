// The reads of the server's tasks: the list command, the monitoring check
// that makes the same calls (each task of the snapshot, or each named one,
// with its id, name and status), and the log keys. Ctrl-C or SIGTERM ends
// each read after the row or line it came in.
#include "client/ConsoleApp.h"
#include "client/wait_interruption.h"
#include "idl/task_status.h"
#include "idl/wire_text.h"

void ConsoleApp::ListRow(BackupNetwork::Task_ptr task) {
    BackupNetwork::TaskProperties_var props = task->props();
    reporter->RowId(props->id());
    // The properties are read again for the name, on purpose: a row's
    // requests are part of what a server sees of the listing, and stay as
    // they always were (docs/performance.md weighs their cost).
    props = task->props();
    CORBA::WString_var wireName = props->dname();
    reporter->RowName(wiretext::FromWire(wireName.in()));
    // Told apart from the name: a failing status call leaves the row's
    // start on the console.
    reporter->RowStatus(wiretext::GetTaskStatus(task));
}

void ConsoleApp::ListTasks() {
    ++argumentIndex;
    const console::WaitInterruption interruption;
    reporter->ListingBegun();
    for (CORBA::ULong i = 0; i < taskCount; ++i) {
        ListRow((*tasks)[i]);
        EndIfInterrupted(&Reporter::ReadInterrupted);
    }
    argumentIndex = static_cast<std::uint32_t>(arguments.size());
}

void ConsoleApp::CheckTasks() {
    // Without names, the check is the listing.
    if (argumentIndex + 1 >= arguments.size()) return ListTasks();
    ++argumentIndex;
    const console::WaitInterruption interruption;
    reporter->ListingBegun();
    for (; argumentIndex < arguments.size(); ++argumentIndex) {
        BackupNetwork::Task_var task = FindTaskByName(arguments[argumentIndex]);
        if (!CORBA::is_nil(task)) ListRow(task);
        EndIfInterrupted(&Reporter::ReadInterrupted);
    }
    argumentIndex = static_cast<std::uint32_t>(arguments.size());
}

namespace {

void CloseQuietly(BackupNetwork::Log_ptr log) {
    try {
        log->Close();
    } catch (const CORBA::Exception&) {
        // The failure that ended the reading is the one to report.
    }
}

}  // namespace

void ConsoleApp::ShowLogs(bool byId) {
    ForEachNamedTask(
        byId, [this](BackupNetwork::Task_ptr task, TaskRef ref) { ShowLog(task, std::move(ref)); });
}

void ConsoleApp::ShowLog(BackupNetwork::Task_ptr task, TaskRef ref) {
    ref.name = DisplayName(task);
    reporter->LogBegun(ref);
    BackupNetwork::Log_var log = task->log();
    if (CORBA::is_nil(log) || !log->Open()) return reporter->LogUnavailable();
    // Each line is told as it arrives; nothing of the log is kept. Ctrl-C or
    // SIGTERM ends the reading after the line it came in.
    reporter->LogOpened();
    const console::WaitInterruption interruption;
    try {
        CORBA::WString_var line;
        while (log->GetNextLine(line.out())) {
            reporter->LogLine(wiretext::FromWire(line.in()));
            EndIfInterrupted(&Reporter::ReadInterrupted);
        }
    } catch (const CORBA::TRANSIENT&) {
        // The ORB could not reach the server, also after a broken connection:
        // nothing more is sent to it. After any other failure it may still
        // be there.
        throw;
    } catch (...) {
        CloseQuietly(log);
        throw;
    }
    reporter->LogEnded();
    log->Close();
}
