// Input a script or a damaged home directory may hand the client: odd
// registry values and files, and a server with a very large task list (odd
// names and arguments at the size limits are in-process cases,
// tests/unit/client/commands_test.cpp). None may crash the
// client or lose its exit code; what each gives is in docs/reliability.md.
#include "tests/e2e/cvcc_case.h"

namespace {

using harness::kDeactivated;
using harness::kListHead;

using e2e::CvccCase;

const std::string kSection =
    "[HKEY_CURRENT_USER\\SOFTWARE\\Tarmelin\\Corvane 7\\Configuration\\Server Connection "
    "Settings]\r\n";

std::string Utf16LeWithoutBom(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// A case whose registry points at a Coordinator on 2755 or leaves it at 1755:
// the listing (of an empty server) then shows which one was read.
CvccCase PortCase(const std::string& name, const std::string& registry, bool read2755,
                  std::string out, std::string err = "", int exitCode = 1) {
    CvccCase c{name, "{}", {"--List"}, std::move(out), std::move(err), exitCode};
    if (exitCode == 0) c.actions = {kDeactivated};
    c.registry = registry;
    c.port = read2755 ? 2755 : 1755;
    return c;
}

// clang-format off
const std::vector<CvccCase> kCases = {
    // "CoordPort" is text passed on unchanged; what does not name an open
    // port fails the Coordinator's port probe.
    PortCase("port_zero", e2e::RegistryWithPort("\"0\""), false, "std::exception\n"),
    PortCase("port_with_a_trailing_space", e2e::RegistryWithPort("\"1755 \""), false,
     "std::exception\n"),
    PortCase("port_of_ten_kilobytes", e2e::RegistryWithPort("\"" + std::string(10240, '7') + "\""),
     false, "std::exception\n"),
    // A damaged file loses the damaged value: port 1755 (the parser's
    // cases are in tests/unit/utility).
    PortCase("registry_truncated_in_the_value",
     "Windows Registry Editor Version 5.00\r\n\r\n" + kSection + "\"CoordPort\"=\"27",
     false, kListHead, "", 0),
    PortCase("registry_utf16_with_bom_is_read",
     "\xff\xfe" + Utf16LeWithoutBom(e2e::RegistryWithPort("\"2755\"")), true, kListHead, "", 0),
};
// clang-format on

class BadInput : public testing::TestWithParam<CvccCase> {};

TEST_P(BadInput, Case) {
    e2e::RunCase(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cvcc, BadInput, testing::ValuesIn(kCases), e2e::CaseName());

// The task list reaches the client in one reply, which the ORB takes however
// large (docs/orb-options.md).
std::string ManyTasks(int count) {
    std::string scenario = R"({"tasks": [)";
    for (int i = 0; i < count; ++i)
        scenario += (i ? R"(,{"id": )" : R"({"id": )") + std::to_string(i) + R"(, "name": "T"})";
    return scenario + "]}";
}

TEST(BadInputFiles, HundredThousandTasksArriveInOneSnapshot) {
    harness::BackupNetwork net({"backup-srv", 1755, ManyTasks(100000)});
    if (!net.skipReason().empty()) GTEST_SKIP() << net.skipReason();
    // The proxy command takes the whole snapshot and then touches no task,
    // so the case stays short while the list still travels whole.
    const harness::CvccResult r = net.RunCvcc({{"--Proxy", "p:1"}, {}, std::nullopt});
    std::cout << "[ elapsed  ] 100000 tasks taken in " << r.elapsed.count() << " ms\n";
    EXPECT_EQ(e2e::AfterBanner(r.out), "Proxy settings applied successfully.\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(r.leftBehind);
}

}  // namespace
