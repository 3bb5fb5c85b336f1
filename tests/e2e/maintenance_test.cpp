// The server's shutdown, its proxy settings and the sweep of dead
// workstations off the Coordinator.
#include "tests/e2e/cvcc_case.h"

namespace {

using e2e::kDeactivated;
using e2e::kListHead;
using e2e::kProxyApplied;
using e2e::kSweepHeading;

using e2e::CvccCase;

std::vector<std::string> ProxyStored(const std::string& hostJson, const std::string& port) {
    return {"settings _set_proxyHost {\"value\":" + hostJson + "}",
            "settings _set_proxyPort {\"value\":" + port + "}", kDeactivated};
}

const std::string kWorkstations = R"({"workstations": [
    {"name": "ALIVE-1"}, {"name": "OLD-LAPTOP", "state": "dead"}, {"name": "Станция-2", "state": "dead"},
    {"name": "NOT-A-WS", "state": "notWorkstation"}, {"name": "DEAD-OTHER-KIND", "kind": "Workstation", "state": "dead"},
    {"name": "folder", "state": "context"}]})";

const std::vector<CvccCase> kCases = {
    {"close_shuts_the_server_down_without_a_session",
     "{}",
     {"--Close"},
     "Shutdown server\n",
     "",
     0,
     {"server ShutdownServer"}},
    {"close_ends_processing",
     R"({"server": {"shutdown": "ignore"}})",
     {"-c", "--List"},
     "Shutdown server\n",
     "",
     0,
     {"server ShutdownServer"}},
    {"close_refused_version_prints_no_shutdown",
     R"({"server": {"version": "7.3"}})",
     {"--Close"},
     "Connected to Backup Server version: 7.3\n\nThis Server version not supported\n",
     "",
     1},
    {"proxy_host_and_port",
     "{}",
     {"--Proxy", "myproxy:8000", "ignored"},
     kProxyApplied,
     "",
     0,
     ProxyStored("\"myproxy\"", "8000")},
    {"proxy_empty_host",
     "{}",
     {"-prx", ":8000"},
     kProxyApplied,
     "",
     0,
     ProxyStored("\"\"", "8000")},
    {"proxy_empty_port_is_zero",
     "{}",
     {"-prx", "myproxy:"},
     kProxyApplied,
     "",
     0,
     ProxyStored("\"myproxy\"", "0")},
    {"proxy_splits_at_the_first_colon",
     "{}",
     {"-prx", "a:b:c"},
     kProxyApplied,
     "",
     0,
     ProxyStored("\"a\"", "0")},
    {"proxy_port_with_trailing_letters",
     "{}",
     {"-prx", "h:8080abc"},
     kProxyApplied,
     "",
     0,
     ProxyStored("\"h\"", "8080")},
    {"proxy_negative_port_wraps",
     "{}",
     {"-prx", "h:-1"},
     kProxyApplied,
     "",
     0,
     ProxyStored("\"h\"", "4294967295")},
    {"proxy_port_past_32_bits_saturates",
     "{}",
     {"-prx", "h:99999999999"},
     kProxyApplied,
     "",
     0,
     ProxyStored("\"h\"", "2147483647")},
    {"proxy_non_ascii_host",
     "{}",
     {"-prx", "прокси.пример:3128"},
     kProxyApplied,
     "",
     0,
     ProxyStored("\"прокси.пример\"", "3128")},
    {"proxy_without_colon",
     "{}",
     {"--Proxy", "myproxy"},
     "Please, specify your proxy host and port in the following format: myproxy:8000\n",
     "",
     1,
     {kDeactivated}},
    {"proxy_without_argument",
     "{}",
     {"--Proxy"},
     "Please, specify your proxy host and port, e.g. myproxy:8000\n",
     "",
     1,
     {kDeactivated}},
    {"proxy_settings_failure_has_its_own_text",
     R"({"faults": [{"object": "settings", "operation": "_set_proxyPort", "raise": "NO_PERMISSION"}]})",
     {"--Proxy", "myproxy:8000"},
     "Failed to set proxy due the unknown error.\n",
     "",
     1,
     {"settings _set_proxyHost {\"value\":\"myproxy\"}", "settings _set_proxyPort {\"value\":8000}",
      kDeactivated}},
    {"nsclean_nothing_to_remove",
     "{}",
     {"--NSClean"},
     kSweepHeading + "No dead workstation links registered on the Coordinator\n",
     "",
     0},
    {"nsclean_then_list",
     kWorkstations,
     {"--NSClean", "--List"},
     kSweepHeading +
         "The following dead workstation links removed from the Coordinator:\n    OLD-LAPTOP\n    "
         "Станция-2\n"
         "    NOT-A-WS\n" +
         kListHead,
     "",
     0,
     {kDeactivated}},
    {"list_then_nsclean_only_lists",
     kWorkstations,
     {"--List", "--NSClean"},
     kListHead,
     "",
     0,
     {kDeactivated}},
    // A naming service whose listing hands out the same binding again: the
    // sweep ends before it unbinds anything.
    {"nsclean_listing_that_repeats_a_binding_ends_the_sweep",
     R"({"workstations": [{"name": "OLD-LAPTOP", "state": "dead"}], "repeatingListing": true})",
     {"--NSClean"},
     kSweepHeading + "std::exception\n",
     "An error occurred while listing the workstations. Coordinator returned the same binding "
     "twice\n",
     1,
     {}},
    // The sweep always goes to port 1755, whatever the registry says.
    {"nsclean_ignores_the_registry_port",
     "{}",
     {"--NSClean"},
     "std::exception\n",
     "",
     1,
     {},
     e2e::RegistryWithPort("\"2755\""),
     2755},
};

class Maintenance : public testing::TestWithParam<CvccCase> {};

TEST_P(Maintenance, Case) {
    e2e::RunCase(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cvcc, Maintenance, testing::ValuesIn(kCases), e2e::CaseName());

}  // namespace
