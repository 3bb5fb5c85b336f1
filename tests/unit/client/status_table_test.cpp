// The status table of docs/json.md, which the JSON documents and the metrics
// refer to, is held to the client's one table: each row's words, busy flag,
// success flag and monitoring state, for every number the protocol knows and
// past it.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

#include "client/task_status_text.h"
#include "utility/strings.h"

namespace {

TEST(StatusTable, TheDocumentsTableIsTheClients) {
    std::ifstream doc(CVCC_SOURCE_DIR "/docs/json.md");
    ASSERT_TRUE(doc) << "docs/json.md";
    // | 8 | `tsError` | error | no | no | CRITICAL |, and the last row's
    // "16 and above" is checked at 16 and at the largest number.
    const std::regex row(
        R"(\| (\d+)( and above)? \| [^|]+ \| ([^|]+) \| (yes|no) \| (yes|no) \| (OK|WARNING|CRITICAL|UNKNOWN) \|)");
    const char* const kStates[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};
    CORBA::ULong next = 0;
    bool past = false;
    std::string line;
    while (std::getline(doc, line)) {
        std::smatch m;
        if (!std::regex_match(line, m, row)) continue;
        const auto number = static_cast<CORBA::ULong>(std::stoul(m[1]));
        EXPECT_EQ(number, next) << line;
        next = number + 1;
        past = m[2].matched;
        for (const CORBA::ULong status : {number, past ? 0xFFFFFFFFu : number}) {
            SCOPED_TRACE(line);
            EXPECT_EQ(CVLib::strings::toAstr(GetTaskStatusText(status)), m[3].str());
            EXPECT_EQ(IsBusy(status), m[4] == "yes");
            EXPECT_EQ(IsSuccess(status), m[5] == "yes");
            EXPECT_EQ(kStates[static_cast<int>(MonitoringStateOf(status))], m[6].str());
        }
    }
    EXPECT_EQ(next, 17u) << "one row a status, 0 to 15, then 16 and above";
    EXPECT_TRUE(past);
}

}  // namespace
