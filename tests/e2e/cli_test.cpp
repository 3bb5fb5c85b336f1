// The command line as a user meets it: output byte for byte and exit codes,
// for everything that needs no backup network.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/files.h"
#include "harness/process.h"
#include "tests/e2e/cvcc_case.h"

namespace {

const std::string kUsage =
    "Usage: cvcc <NameServiceHost> <ServerName> <key>[<tasks>]\n"
    "\n"
    "<key>: \n"
    "       --Help(-h)                This message\n"
    "\n"
    "       --Execute(-e) <tasks>     Execute specified tasks by name\n"
    "       --ExecuteId(-ei) <tasks>  Execute specified tasks by id\n"
    "       --ExecuteAll(-ea)         Execute all tasks\n"
    "\n"
    "       --Stop(-s) <tasks>        Stop specified tasks by name\n"
    "       --StopId(-si) <tasks>     Stop specified tasks by id\n"
    "       --StopAll(-sa)            Stop all tasks\n"
    "\n"
    "       --Delete(-d) <tasks>      Delete specified tasks by name\n"
    "       --DeleteId(-di) <tasks>   Delete specified tasks by id\n"
    "       --DeleteAll(-da)          Delete all tasks\n"
    "\n"
    "       --List(-l)                List all available tasks\n"
    "       --Close(-c)               Close server\n"
    "<tasks>                          Space separated list of task names, or IDs \n";

// Runs cvcc with a HOME of its own, so the user's settings never leak in.
harness::RunResult RunCvcc(std::vector<std::string> args) {
    args.insert(args.begin(), CVCC_BINARY);
    harness::TempDir home;
    return harness::Run({args,
                         {{"HOME", home.path()},
                          {"XDG_CONFIG_HOME", std::nullopt},
                          {"LANG", "C"},
                          {"LC_ALL", "C"}}});
}

std::string Unknown(const std::string& argument) {
    return kUsage + "\nUnknown parameter: " + argument + "\n";
}

TEST(CommandLine, PrintsUsageOrUnknownParameterAndExitsZero) {
    struct Row {
        const char* label;
        std::vector<std::string> args;
        std::string expected;
    };
    // Linux refuses a single argument of 128 KiB or more at exec (a megabyte
    // never reaches a program), so the largest it passes stands in for it.
    const std::string largest(128 * 1024 - 1, 'k');
    std::vector<std::string> many(20000, "--List");
    many[0] = "extra";
    const std::vector<Row> rows = {
        {"no arguments", {}, kUsage},
        {"-h ignores what follows", {"-h", "--List", "x"}, kUsage},
        {"--Help ignores what follows", {"--Help", "--Execute", "a"}, kUsage},
        {"keys are case-sensitive", {"--help"}, Unknown("--help")},
        {"the usage text's spelling is unknown", {"--ExecuteAll"}, Unknown("--ExecuteAll")},
        {"no host or server positions", {"host", "server", "--List"}, Unknown("host")},
        {"no equals forms", {"--Proxy=a:1"}, Unknown("--Proxy=a:1")},
        {"empty argument", {""}, Unknown("")},
        {"non-ASCII key", {"--Список"}, Unknown("--Список")},
        {"invalid UTF-8 comes back byte for byte",
         {"\xff\xfe-\xc0\xaf"},
         Unknown("\xff\xfe-\xc0\xaf")},
        {"the largest argument exec passes", {largest}, Unknown(largest)},
        {"twenty thousand arguments", many, Unknown("extra")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const harness::RunResult r = RunCvcc(row.args);
        EXPECT_EQ(e2e::AfterBanner(r.out), row.expected);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.exitCode, 0);
    }
}

TEST(CommandLine, OutputIsTheSameThroughAPipeAndIntoAFile) {
    harness::TempDir dir;
    const std::string file = dir.path() + "/out";
    const std::string script = "'" CVCC_BINARY "' --Список -h > '" + file + "'";
    const harness::RunResult toFile = harness::Run({{"/bin/sh", "-c", script}, {{"LANG", "C"}}});
    const harness::RunResult toPipe =
        harness::Run({{CVCC_BINARY, "--Список", "-h"}, {{"LANG", "C"}}});
    ASSERT_EQ(toFile.exitCode, 0);
    EXPECT_EQ(harness::ReadFile(file), toPipe.out);
    EXPECT_NE(toPipe.out.find("Unknown parameter: --Список\n"), std::string::npos);
}

}  // namespace
