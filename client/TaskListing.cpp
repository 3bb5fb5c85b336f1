// The list command: each task of the snapshot with its id, name and status.
#include "client/ConsoleApp.h"
#include "idl/task_status.h"
#include "idl/wire_text.h"

void ConsoleApp::ListTasks() {
    ++argumentIndex;
    reporter->ListingBegun();
    for (CORBA::ULong i = 0; i < taskCount; ++i) {
        BackupNetwork::Task_ptr task = (*tasks)[i];
        BackupNetwork::TaskProperties_var props = task->props();
        reporter->RowId(props->id());
        props = task->props();
        CORBA::WString_var wireName = props->dname();
        reporter->RowName(wiretext::FromWire(wireName.in()));
        // Told apart from the name: a failing status call leaves the row's
        // start on the console.
        reporter->RowStatus(wiretext::GetTaskStatus(task));
    }
    argumentIndex = static_cast<std::uint32_t>(arguments.size());
}
