// End-to-end cases of the client as data: a scenario for the simulated
// backup network, the arguments, and what the user must see (stdout after the
// banner, stderr, the exit code) and what the server must have received.
// Each row becomes a test of its own, so ctest runs the rows in parallel,
// each in its own network.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "harness/backup_network.h"
#include "tests/support/expected.h"

namespace e2e {

struct CvccCase {
    std::string name;  // the test's name: letters, digits and underscores
    std::string scenario;
    std::vector<std::string> args;
    std::string out;  // stdout after the banner
    std::string err;
    int exitCode = 0;
    // What changed on the server, in order: one "object operation args" line
    // per request that changes something (see harness::Actions).
    std::vector<std::string> actions = {};
    std::optional<std::string> registry = std::nullopt;
    int port = 1755;  // the Coordinator's
};

inline void PrintTo(const CvccCase& c, std::ostream* os) {
    *os << c.name;
}

// The client's output with its banner checked and cut off; the banner's
// second line carries the build year.
std::string AfterBanner(const std::string& out);

// An expected text with the case's host name and registry file in place of
// {host} and {registry}.
std::string Expected(std::string text, const harness::BackupNetwork& net);

// A registry file that sets "CoordPort" to the given value line's right side
// (for example "\"2755\"" or "dword:00000ac3").
std::string RegistryWithPort(const std::string& value);

// What the harness does to the network around a run, and what must hold
// afterwards.
struct Around {
    // Before cvcc starts, and once it runs (nothing: a fault scripted in the
    // scenario strikes by itself); what must hold of the network at the end.
    std::function<void(harness::BackupNetwork&)> before, during, after;
    int simulatorStatus = -1;  // bnsim's exit status at the end; -1: it must still run
    harness::EnvChanges env = {};
    std::optional<std::chrono::milliseconds> hangsFor;  // cvcc is killed after this
};

// Runs the case on a network of its own and checks everything it says.
void RunCase(const CvccCase& c, const Around& around = {});

// Checks the run's changing requests (Actions), waiting a little for oneway
// ones that are still on their way into the journal.
void ExpectActions(harness::BackupNetwork& net, const harness::CvccResult& r,
                   const std::vector<std::string>& expected);

// The name of a row for INSTANTIATE_TEST_SUITE_P.
struct CaseName {
    std::string operator()(const testing::TestParamInfo<CvccCase>& info) const {
        return info.param.name;
    }
};

}  // namespace e2e
