// The list command, and the monitoring check that makes the same calls:
// each task of the snapshot, or each named one, with its id, name and status.
#include "client/ConsoleApp.h"
#include "client/wait_interruption.h"
#include "idl/task_status.h"
#include "idl/wire_text.h"

void ConsoleApp::ListRow(BackupNetwork::Task_ptr task) {
    BackupNetwork::TaskProperties_var props = task->props();
    reporter->RowId(props->id());
    props = task->props();
    CORBA::WString_var wireName = props->dname();
    reporter->RowName(wiretext::FromWire(wireName.in()));
    // Told apart from the name: a failing status call leaves the row's
    // start on the console.
    reporter->RowStatus(wiretext::GetTaskStatus(task));
}

void ConsoleApp::EndReadIfInterrupted() {
    if (const int signal = console::WaitInterruption::Caught()) {
        reporter->ReadInterrupted();
        throw console::WaitInterrupted{signal};
    }
}

void ConsoleApp::ListTasks() {
    ++argumentIndex;
    // Ctrl-C or SIGTERM ends a long listing after the row it came in.
    const console::WaitInterruption interruption;
    reporter->ListingBegun();
    for (CORBA::ULong i = 0; i < taskCount; ++i) {
        ListRow((*tasks)[i]);
        EndReadIfInterrupted();
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
        EndReadIfInterrupted();
    }
    argumentIndex = static_cast<std::uint32_t>(arguments.size());
}
