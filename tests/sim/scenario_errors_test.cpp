// A malformed scenario stops bnsim with exit status 2 and one line naming the
// file and the field, before it reaches for the Coordinator: the port given
// has nothing listening, so a simulator that tried would fail otherwise.
#include <gtest/gtest.h>

#include "harness/network.h"
#include "harness/files.h"
#include "harness/process.h"

namespace {

struct Row {
    const char* label;
    const char* scenario;  // nullptr: no file
    const char* message;   // after "FILE: "
};

TEST(ScenarioErrors, NameTheFileAndTheFieldAndBindNothing) {
    // clang-format off
    const Row rows[] = {
        {"not JSON", "{\"tasks\": [", "not valid JSON: "},
        {"unknown top-level field", R"({"task": []})", "task: unknown field"},
        {"unknown status", R"({"tasks": [{"id": 1, "name": "a"}, {"id": 2, "name": "b"}, {"id": 3, "name": "c", "status": "tsFoo"}]})",
         "tasks[2].status: unknown status \"tsFoo\""},
        {"id beyond 32 bits", R"({"tasks": [{"id": 2147483648, "name": "a"}]})",
         "tasks[0].id: must be an integer from -2147483648 to 2147483647"},
        {"step without polls", R"({"tasks": [{"id": 1, "name": "a", "start": [{"status": "tsBackup"}, {"status": "tsSuccess"}]}]})",
         "tasks[0].start[0].polls: missing"},
        {"a log line that is no text", R"({"tasks": [{"id": 1, "name": "a", "log": {"lines": ["ok", 7]}}]})",
         "tasks[0].log.lines[1]: must be a string or an array of UTF-16 code units"},
        {"workstation twice", R"({"workstations": [{"name": "w"}, {"name": "v"}, {"name": "w"}]})",
         "workstations[2].name: \"w\" with kind \"workstation\" is already bound by workstations[0]"},
        {"unknown exception", R"({"faults": [{"object": "server", "operation": "ping", "raise": "TRANSIENTT"}]})",
         "faults[0].raise: unknown exception \"TRANSIENTT\""},
        {"undeclared user exception", R"({"faults": [{"object": "task:1", "operation": "Start", "raise": "UnknownTask"}]})",
         "faults[0].raise: UnknownTask is not declared by operation \"Start\""},
        {"fromCall zero", R"({"faults": [{"object": "server", "operation": "ping", "crash": true, "fromCall": 0}]})",
         "faults[0].fromCall: must be an integer from 1 to 1000000000"},
        {"a missing file", nullptr, "cannot read: No such file or directory"},
    };
    // clang-format on
    const int nothingListens = harness::FreePort();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        harness::TempDir dir;
        const std::string file = dir.path() + "/scenario.json";
        if (row.scenario) harness::WriteFile(file, row.scenario);
        const harness::RunResult r = harness::Run(
            {{BNSIM_BINARY, "--coordinator", "127.0.0.1:" + std::to_string(nothingListens),
              "--scenario", file, "--ready", dir.path() + "/ready"},
             {},
             std::chrono::seconds(30),
             {}});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err.rfind(file + ": " + row.message, 0), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(harness::ReadFile(dir.path() + "/ready"), "");
    }
}

}  // namespace
