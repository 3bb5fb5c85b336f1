// The connection sequence: the Coordinator's port, the server named after
// this computer, its version and the session's login.
#include "tests/e2e/cvcc_case.h"
#include "tests/support/network_skip.h"

namespace {

using support::kDeactivated;
using support::kListHead;

using e2e::CvccCase;

const std::string kConnectedTo = "Connected to Backup Server version: ";
const std::string kNotSupported = "\nThis Server version not supported\n";

std::string Utf16LeWithBom(const std::string& ascii) {
    std::string out = "\xff\xfe";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

// The registry names a port where no Coordinator listens (the case's is on 1755).
CvccCase Unreached(const std::string& name, const std::vector<std::string>& args,
                   const std::string& port) {
    return {name,
            "{}",
            args,
            "std::exception\n",
            support::NoCoordinator(port, "port from CoordPort in {registry}"),
            1,
            {},
            e2e::RegistryWithPort("\"" + port + "\"")};
}

std::string Server(const std::string& fields) {
    return R"({"server": {)" + fields + "}}";
}

// clang-format off
const std::vector<CvccCase> kCases = {
    {"version_744_accepted_silently", Server(R"("version": "7.4.4")"), {"--List"}, kListHead, "", 0, {kDeactivated}},
    {"version_with_build_number_accepted", Server(R"("version": "7.4.4.1208")"), {"-l"}, kListHead, "", 0, {kDeactivated}},
    {"version_743_refused", Server(R"("version": "7.4.3")"), {"--List"}, kConnectedTo + "7.4.3\n" + kNotSupported, "", 1},
    // Text from the server is decoded strictly: its lone surrogate U+DC9B
    // (the raw byte CSI, were it printed as the user's own bytes are) prints
    // as U+FFFD.
    {"version_with_a_lone_surrogate_prints_a_replacement", Server(R"("version": [65, 56475, 51, 49, 109, 66])"), {"--List"},
     kConnectedTo + "A\xEF\xBF\xBD" "31mB\n" + kNotSupported, "", 1},
    {"version_1744_refused", Server(R"("version": "17.4.4")"), {"--List"}, kConnectedTo + "17.4.4\n" + kNotSupported, "", 1},
    {"json_version_refused", Server(R"("version": "7.4.3")"), {"-j", "--List"},
     R"({"serverVersion":"7.4.3","error":{"message":"This Server version not supported"}})" "\n", "", 1},
    {"access_denied", Server(R"("denyAllLogins": true)"), {"--List"}, "Access denied\n", "", 1},
    {"access_denied_wins_over_the_proxy_text", Server(R"("denyAllLogins": true)"), {"--Proxy", "p:1"}, "Access denied\n", "", 1},
    {"no_server_bound", Server(R"("bound": false)"), {"--List"}, kNotSupported, support::ServerNotBound(), 1},
    {"no_server_bound_under_this_host_name", Server(R"("host": "another-host")"), {"--List"}, kNotSupported, support::ServerNotBound(), 1},
    // The check gives the cause, which the console's text does not name
    // (the metrics say it on stderr: tests/monitoring).
    {"check_names_the_missing_server", Server(R"("bound": false)"), {"--Check"},
     "BACKUP UNKNOWN - no backup server is bound as {host} on the Coordinator at localhost:1755\n", support::ServerNotBound(), 3},
    {"an_impostor_is_no_server", Server(R"("impostor": true)"), {"--List"}, kNotSupported, support::NoServerBound(), 1},
    // The port comes from the registry, as text, whatever it holds.
    {"registry_port_honoured", "{}", {"--List"}, kListHead, "", 0, {kDeactivated}, e2e::RegistryWithPort("\"2755\""), 2755},
    {"registry_dword_port_honoured", "{}", {"--List"}, kListHead, "", 0, {kDeactivated}, e2e::RegistryWithPort("dword:00000ac3"), 2755},
    {"default_port_without_the_value", "{}", {"--List"}, kListHead, "", 0, {kDeactivated},
     "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Tarmelin\\Corvane 7\\Configuration\\Server Connection Settings]\n"
     "\"OtherValue\"=\"2755\"\n"},
    // A closed port fails the probe: the layer below throws its own
    // exception, which the main function prints as a standard exception;
    // stderr says where the client looked.
    Unreached("coordinator_port_closed", {"--List"}, "2756"),
    Unreached("connection_failure_wins_over_a_missing_task", {"--Execute"}, "2756"),
    Unreached("connection_failure_wins_over_a_missing_proxy", {"--Proxy"}, "2756"),
    Unreached("port_text_is_not_checked", {"--List"}, "abc"),
    Unreached("port_zero", {"--List"}, "0"),
    {"json_coordinator_port_closed", "{}", {"-j", "--List"}, "{\"error\":{\"message\":\"std::exception\"}}\n",
     support::NoCoordinator("2756", "port from CoordPort in {registry}"), 1, {}, e2e::RegistryWithPort("\"2756\"")},
    // The check says in its one line what the hint says.
    {"check_without_a_coordinator", "{}", {"--Check"},
     "BACKUP UNKNOWN - no Coordinator answered at localhost:2756 (port from CoordPort in {registry})\n",
     support::NoCoordinator("2756", "port from CoordPort in {registry}"), 3, {}, e2e::RegistryWithPort("\"2756\"")},
    Unreached("port_with_a_trailing_space", {"--List"}, "1755 "),
    Unreached("port_of_ten_kilobytes", {"--List"}, std::string(10240, '7')),
    {"no_registry_file_tries_the_default_port", "{}", {"--List"}, "std::exception\n",
     support::NoCoordinator("1755", "default port: no CoordPort read from {registry}"), 1, {}, std::nullopt, 2755},
    // A damaged file loses the damaged value: port 1755 (the parser's cases
    // are in tests/unit/utility). A UTF-16 file with its byte order mark is read.
    {"registry_truncated_in_the_value", "{}", {"--List"}, kListHead, "", 0, {kDeactivated}, e2e::RegistryWithPort("\"27")},
    {"registry_utf16_with_bom_is_read", "{}", {"--List"}, kListHead, "", 0, {kDeactivated},
     Utf16LeWithBom(e2e::RegistryWithPort("\"2755\"")), 2755},
};
// clang-format on

class Connection : public testing::TestWithParam<CvccCase> {};

TEST_P(Connection, Case) {
    e2e::RunCase(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cvcc, Connection, testing::ValuesIn(kCases), e2e::CaseName());

// The session is opened for "HOST\user": this computer's name and the login
// of the account cvcc runs as (root, in a network of the case's own).
TEST(Login, IsTheHostNameAndTheUserName) {
    harness::BackupNetwork net(
        {"login-host", 1755, R"({"server": {"denyLogins": ["login-host\\root"]}})"});
    if (!net.isolated()) SKIP_WITHOUT_NETWORK("needs a host name of its own");
    const harness::CvccResult r = net.RunCvcc({{"--List"}, {}, std::nullopt});
    EXPECT_EQ(e2e::AfterBanner(r.out), "Access denied\n");
    EXPECT_EQ(r.exitCode, 1);
}

}  // namespace
