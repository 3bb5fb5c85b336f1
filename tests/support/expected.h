// Texts and journal lines that many cases expect, in-process and end to end:
// the session's end in the journal, the list's heading, the sweep's heading,
// the proxy command's success and what it stored, and the lookup's report
// when no server is bound under this computer's name; and the metrics with
// the one value that changes from run to run, the duration, as D.
#pragma once

#include <regex>
#include <string>
#include <vector>

namespace support {

inline const std::string kDeactivated = "server DeactivateSession {\"session\":\"session:1\"}";
inline const std::string kListHead =
    "Available tasks: \n"
    "Id\t | Name                                               | Status\n" +
    std::string(76, '-') + "\n";
inline const std::string kSweepHeading =
    "Removing dead workstation links on the Coordinator. The operation can take several minutes, "
    "depending on the Backup Network size\n\n";
inline const std::string kProxyApplied = "Proxy settings applied successfully.\n";
// The diagnostics name the case's host and registry file as {host} and
// {registry} (e2e::Expected fills them in).
inline std::string NoServerBound(const std::string& port = "1755") {
    return "cvcc: no backup server is bound as {host} on the Coordinator at localhost:" + port +
           "\n";
}
inline std::string NoCoordinator(const std::string& port, const std::string& source) {
    return "cvcc: no Coordinator answered at localhost:" + port + " (" + source + ")\n";
}
inline std::string ServerNotBound(const std::string& port = "1755") {
    return "An error occurred while obtain an object reference\nNotFound\n"
           "IDL:omg.org/CosNaming/NamingContext/NotFound:1.0\n"
           "Reason: Missing node. One of the components of a name specifies a binding that does "
           "not exist\n" +
           NoServerBound(port);
}

// A row of the listing: the name in a field of fifty characters, of which
// `characters` counts the name's own (its bytes when 0, for ASCII).
inline std::string ListRow(const std::string& id, const std::string& name,
                           const std::string& status, std::size_t characters = 0) {
    if (!characters) characters = name.size();
    return id + "\t | " + name + std::string(characters < 50 ? 50 - characters : 0, ' ') + " | " +
           status + "\n";
}

// The journal's lines for a proxy stored by the first session, which then ends.
inline std::vector<std::string> ProxyStored(const std::string& hostJson, const std::string& port) {
    return {"settings _set_proxyHost {\"value\":" + hostJson + "}",
            "settings _set_proxyPort {\"value\":" + port + "}", kDeactivated};
}

inline std::string DurationAsD(const std::string& metrics) {
    static const std::regex duration("^(cvcc_collect_duration_seconds) .*$", std::regex::multiline);
    return std::regex_replace(metrics, duration, "$1 D");
}

}  // namespace support
