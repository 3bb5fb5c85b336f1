// The task table: id, a name field of 50 characters, status in words.
#include "tests/e2e/cvcc_case.h"

namespace {

using e2e::kDeactivated;
using e2e::kListHead;

using e2e::CvccCase;

std::string Row(const std::string& id, const std::string& paddedName, const std::string& status) {
    return id + "\t | " + paddedName + " | " + status + "\n";
}

const std::string kFifty(50, 'F');
const std::string kLonger = std::string(60, 'L');

const char* const kStatuses[] = {
    "tsBackup",         "tsRestore",         "tsSynchronize",       "tsRefresh",
    "tsWaiting",        "tsWaitingSchedule", "tsSuccess",           "tsSuccessSchedule",
    "tsError",          "tsErrorSchedule",   "tsStopped",           "tsQuotaExceeded",
    "tsAccountExpired", "tsSilentDeclined",  "tsSuccessWithErrors", "tsSuccessScheduleWithErrors",
    "tsTotal"};
const char* const kWords[] = {
    "backuping",        "restoring", "synchronizing", "refreshing", "idle",
    "idle, scheduled",  "success",   "success",       "error",      "error",
    "stopped",          "declined",  "declined",      "declined",   "success w/errors",
    "success w/errors", "unknown"};

// One task in each status, named after it, in the server's order.
std::string EveryStatusScenario() {
    std::string tasks;
    for (int i = 0; i < 17; ++i) {
        if (i) tasks += ",";
        tasks += R"({"id": )" + std::to_string(i) + R"(, "name": ")" + kStatuses[i] +
                 R"(", "status": ")" + kStatuses[i] + R"("})";
    }
    return R"({"tasks": [)" + tasks + "]}";
}

std::string EveryStatusTable() {
    std::string table = kListHead;
    for (int i = 0; i < 17; ++i) {
        std::string name = kStatuses[i];
        name.resize(50, ' ');
        table += Row(std::to_string(i), name, kWords[i]);
    }
    return table;
}

const std::vector<CvccCase> kCases = {
    {"empty_snapshot", "{}", {"--List"}, kListHead, "", 0, {kDeactivated}},
    {"every_status_in_words",
     EveryStatusScenario(),
     {"-l"},
     EveryStatusTable(),
     "",
     0,
     {kDeactivated}},
    {"names_fill_a_field_of_fifty_in_server_order",
     R"({"tasks": [
        {"id": 3, "name": "Nightly", "status": "tsWaiting"},
        {"id": -7, "name": ")" +
         kFifty + R"(", "status": "tsSuccess"},
        {"id": 1, "name": ")" +
         kLonger + R"(", "status": "tsError"},
        {"id": 2147483647, "name": "Фотоархив 𝄞 設計", "status": "tsBackup"}]})",
     {"--List", "ignored", "--Close"},
     kListHead + Row("3", "Nightly" + std::string(43, ' '), "idle") + Row("-7", kFifty, "success") +
         Row("1", kLonger, "error") +
         // The field counts characters, not bytes: 14 of them here.
         Row("2147483647", "Фотоархив 𝄞 設計" + std::string(36, ' '), "backuping"),
     "",
     0,
     {kDeactivated}},
    // A newer server's statuses: any 32-bit value reads "unknown".
    {"statuses_past_the_last_read_unknown",
     R"({"tasks": [{"id": 1, "name": "A", "status": 17}, {"id": 2, "name": "B", "status": 4294967295}]})",
     {"--List"},
     kListHead + Row("1", "A" + std::string(49, ' '), "unknown") +
         Row("2", "B" + std::string(49, ' '), "unknown"),
     "",
     0,
     {kDeactivated}},
    // A server's lone surrogate U+DC9B would be the raw byte 0x9B (CSI) on
    // the terminal; it prints as U+FFFD. Control characters pass as they are.
    {"lone_surrogates_from_the_server_print_as_replacement",
     R"({"tasks": [{"id": 1, "name": [65, 56475, 51, 49, 109, 66, 27, 33], "status": "tsWaiting"}]})",
     {"--List"},
     kListHead + Row("1", "A\xEF\xBF\xBD" "31mB\x1b!" + std::string(42, ' '), "idle"),
     "",
     0,
     {kDeactivated}},
    // A failure on one row leaves the rows before it on the console.
    {"failure_midway_keeps_earlier_rows",
     R"({"tasks": [{"id": 1, "name": "A"}, {"id": 2, "name": "B"}],
         "faults": [{"object": "task:2", "operation": "GetStatus", "raise": "NO_PERMISSION"}]})",
     {"--List"},
     kListHead + Row("1", "A" + std::string(49, ' '), "idle") + "2\t | B" + std::string(49, ' ') +
         "System error: NO_PERMISSION. Description: minor code: 0x00000000, completed: "
         "COMPLETED_NO\n",
     "",
     1,
     {kDeactivated}},
};

class List : public testing::TestWithParam<CvccCase> {};

TEST_P(List, Case) {
    e2e::RunCase(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cvcc, List, testing::ValuesIn(kCases), e2e::CaseName());

}  // namespace
