// Execute, stop and delete, by name, by id and all, with the waits of an
// executed task.
#include "tests/e2e/cvcc_case.h"

namespace {

using e2e::kDeactivated;

using e2e::CvccCase;

// Nightly (1) is idle and, once started, busy for two polls; Busy (2) is
// backing up; Quick (3) is done at the first poll; Nightly again (4) as a
// second task of the same name; Mirror (12) synchronises.
const std::string kTasks = R"({"tasks": [
    {"id": 1, "name": "Nightly", "status": "tsSuccess",
     "start": [{"status": "tsBackup", "polls": 2}, {"status": "tsSuccess"}]},
    {"id": 2, "name": "Busy", "status": "tsBackup"},
    {"id": 3, "name": "Quick", "status": "tsError", "start": [{"status": "tsSuccessWithErrors"}]},
    {"id": 4, "name": "Nightly", "status": "tsWaiting"},
    {"id": 12, "name": "Mirror", "status": "tsSynchronize"},
    {"id": 8, "name": "Refresh", "status": "tsRefresh", "start": [{"status": "tsRestore", "polls": 1}, {"status": "tsStopped"}]}]})";

std::string Waited(const std::string& name, const std::string& dots, const std::string& status) {
    return "Running task: " + name + "\nWaiting" + dots + "\nCompleted with status: " + status +
           "\n\n";
}

const std::vector<CvccCase> kCases = {
    {"execute_first_of_two_names_waits_a_dot_per_busy_poll",
     kTasks,
     {"--Execute", "Nightly"},
     Waited("Nightly", "..", "success"),
     "",
     0,
     {"task:1 Start", kDeactivated}},
    {"execute_done_at_first_poll",
     kTasks,
     {"-e", "Quick"},
     Waited("Quick", "", "success w/errors"),
     "",
     0,
     {"task:3 Start", kDeactivated}},
    {"refresh_is_not_busy",
     kTasks,
     {"-e", "Refresh"},
     Waited("Refresh", ".", "stopped"),
     "",
     0,
     {"task:8 Start", kDeactivated}},
    {"execute_busy_task_is_not_started",
     kTasks,
     {"--Execute", "Busy"},
     "Task is busy: Busy\n",
     "",
     0,
     {kDeactivated}},
    {"execute_several_in_order_past_unknown_names",
     kTasks,
     {"-e", "Quick", "nope", "Busy", "--List"},
     Waited("Quick", "", "success w/errors") +
         "Task not found: nope\nTask is busy: Busy\nTask not found: --List\n",
     "",
     0,
     {"task:3 Start", kDeactivated}},
    {"names_are_case_sensitive",
     kTasks,
     {"--Execute", "nightly"},
     "Task not found: nightly\n",
     "",
     0,
     {kDeactivated}},
    {"execute_without_a_task",
     kTasks,
     {"--Execute"},
     "Specify one or more tasks\n",
     "",
     1,
     {kDeactivated}},
    {"execute_id_reads_a_number_prefix",
     kTasks,
     {"--ExecuteId", "3abc"},
     Waited("Quick", "", "success w/errors"),
     "",
     0,
     {"task:3 Start", kDeactivated}},
    {"execute_id_messages",
     kTasks,
     {"-ei", "abc", "007", "2147483648", "-2147483649", "+5", " 12", "0x10", ""},
     "Id must be integer: abc\nTask id not found: 7\nId must be integer: 2147483648\n"
     "Id must be integer: -2147483649\nTask id not found: 5\nTask is busy: Mirror\nTask id not "
     "found: 0\n"
     "Id must be integer: \n",
     "",
     0,
     {kDeactivated}},
    {"execute_all_on_an_empty_snapshot", "{}", {"--ExcuteAll"}, "", "", 0, {kDeactivated}},
    {"stop_busy_tasks_only",
     kTasks,
     {"--Stop", "Busy", "Nightly", "Mirror"},
     "Stopping task: Busy\nStopping task: Mirror\n",
     "",
     0,
     {"task:2 Stop", "task:12 Stop", kDeactivated}},
    {"stop_by_id",
     kTasks,
     {"-si", "12", "1"},
     "Stopping task: Mirror\n",
     "",
     0,
     {"task:12 Stop", kDeactivated}},
    {"stop_all",
     kTasks,
     {"-sa"},
     "Stopping task: Busy\nStopping task: Mirror\n",
     "",
     0,
     {"task:2 Stop", "task:12 Stop", kDeactivated}},
    {"delete_idle_and_busy",
     kTasks,
     {"--Delete", "Quick", "Busy"},
     "Deleting task: Quick\nTask is busy: Busy\n",
     "",
     0,
     {"session:1 DeleteTask {\"id\":3}", kDeactivated}},
    {"delete_by_id",
     kTasks,
     {"-di", "1"},
     "Deleting task: Nightly\n",
     "",
     0,
     {"session:1 DeleteTask {\"id\":1}", kDeactivated}},
    // Every task of the snapshot is visited once, deleted ones included.
    {"delete_all_visits_the_snapshot",
     kTasks,
     {"--DeleteAll"},
     "Deleting task: Nightly\nTask is busy: Busy\nDeleting task: Quick\nDeleting task: Nightly\n"
     "Task is busy: Mirror\nDeleting task: Refresh\n",
     "",
     0,
     {"session:1 DeleteTask {\"id\":1}", "session:1 DeleteTask {\"id\":3}",
      "session:1 DeleteTask {\"id\":4}", "session:1 DeleteTask {\"id\":8}", kDeactivated}},
    // Statuses past the last one a newer server may send are not busy, and
    // a final one reads "unknown".
    {"statuses_past_the_last_are_not_busy",
     R"({"tasks": [
        {"id": 1, "name": "New", "status": 17, "start": [{"status": 0, "polls": 1}, {"status": 4294967295}]},
        {"id": 2, "name": "Newer", "status": 4294967295, "start": [{"status": 4294967295}]}]})",
     {"--Execute", "New", "Newer"},
     Waited("New", ".", "unknown") + Waited("Newer", "", "unknown"),
     "",
     0,
     {"task:1 Start", "task:2 Start", kDeactivated}},
    {"stop_past_the_last_status",
     R"({"tasks": [{"id": 1, "name": "New", "status": 17}, {"id": 2, "name": "Newer", "status": 4294967295}]})",
     {"-sa"},
     "",
     "",
     0,
     {kDeactivated}},
    {"delete_past_the_last_status",
     R"({"tasks": [{"id": 1, "name": "New", "status": 17}, {"id": 2, "name": "Newer", "status": 4294967295}]})",
     {"--DeleteAll"},
     "Deleting task: New\nDeleting task: Newer\n",
     "",
     0,
     {"session:1 DeleteTask {\"id\":1}", "session:1 DeleteTask {\"id\":2}", kDeactivated}},
    // The server dies between two polls: the wait ends at once.
    {"server_crash_during_a_wait",
     R"({"tasks": [{"id": 1, "name": "Nightly", "start": [{"status": "tsBackup"}]}],
         "faults": [{"object": "task:1", "operation": "GetStatus", "fromCall": 3, "crash": true}]})",
     {"--Execute", "Nightly"},
     "Running task: Nightly\nWaiting.Unable to connect the backup server.\n",
     "",
     1,
     {"task:1 Start"}},
    {"server_error_during_a_wait",
     R"({"tasks": [{"id": 1, "name": "Nightly", "start": [{"status": "tsBackup"}]}],
         "faults": [{"object": "task:1", "operation": "GetStatus", "fromCall": 2, "raise": "TRANSIENT"}]})",
     {"--Execute", "Nightly"},
     "Running task: Nightly\nWaitingUnable to connect the backup server.\n",
     "",
     1,
     {"task:1 Start", kDeactivated}},
};

class TaskCommands : public testing::TestWithParam<CvccCase> {};

TEST_P(TaskCommands, Case) {
    e2e::RunCase(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cvcc, TaskCommands, testing::ValuesIn(kCases), e2e::CaseName());

}  // namespace
