#include "soak/invariants.h"

#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "utility/strings.h"

namespace soak {
namespace {

// The lines the console may print after the banner: the documented texts,
// with the soak's task names, statuses, ids and exception descriptions.
const std::vector<std::regex>& DocumentedLines() {
    static const std::string name = R"((Nightly|Mail|Comptabilité 2024|Running|Missing|x7|2|3|4|1|99))";
    static const std::vector<std::regex> lines = [] {
        std::vector<std::string> patterns = {
            R"(Connected to Backup Server version: \d+\.\d+(\.\d+)*)",
            R"(Available tasks: )",
            R"(Id\t \| Name +\| Status)",
            R"(-{76})",
            R"(\d+\t \| .{1,60}\| .*)",
            R"(\d+\t \| .*)",
            R"((Running|Stopping|Deleting|Waiting for) task: )" + name,
            R"((Task not found|Task id not found|Id must be integer): )" + name,
            R"((Task is busy|Task is not running): )" + name + R"(( \([a-z /]+\))?)",
            R"(Waiting\.*(Completed with status: .*|Unable to connect the backup server\.|std::exception)?)",
            R"(Completed with status: .*)",
            R"(Log of task: )" + name,
            R"(The task's log is not available)",
            R"(Started|Copying C:\\Data|Ended|Début|Fin)",
            R"(Shutdown server)",
            R"(Proxy settings applied successfully\.)",
            R"(Failed to set proxy due the unknown error\.)",
            R"(Removing dead workstation links on the Coordinator\. The operation can take several minutes, depending on the Backup Network size)",
            R"(No dead workstation links registered on the Coordinator)",
            R"(The following dead workstation links removed from the Coordinator:)",
            R"(    (OLD-LAPTOP|GONE-PC|ACCOUNTING-01|RECEPTION|ROAMING|HUNG-PC))",
            R"(This Server version not supported)",
            R"(System error: [A-Z_]+\. Description: minor code: ([A-Za-z_]+ \()?0x[0-9a-f]{8}\)?, completed: COMPLETED_(NO|YES|MAYBE))",
            R"(Unable to connect the backup server\.)",
            R"(Access denied)",
            R"(std::exception)",
            R"(An error occurred while obtain a reference to the root context\. Coordinator could not be reached\. Make sure Coordinator is running)",
            R"(Caught [A-Z_]+ exception\..*)",
            R"([A-Z_]+)",
            R"(minor code: [A-Za-z_0-9]+ \(0x[0-9a-f]+\), completed: COMPLETED_(NO|YES|MAYBE))",
            R"(IDL:[A-Za-z/_.]+:1\.0)",
            R"()",
        };
        std::vector<std::regex> compiled;
        for (const auto& p : patterns) compiled.emplace_back(p);
        return compiled;
    }();
    return lines;
}

const std::map<std::string, int> kCheckStates = {
    {"OK", 0}, {"WARNING", 1}, {"CRITICAL", 2}, {"UNKNOWN", 3}};

void CheckJson(const Plan& plan, const harness::CvccResult& r, std::vector<std::string>& broken) {
    nlohmann::json doc;
    try {
        doc = nlohmann::json::parse(r.out);
    } catch (const std::exception& e) {
        broken.push_back(std::string("stdout is not one JSON document: ") + e.what());
        return;
    }
    if (!doc.is_object()) return broken.push_back("the JSON document is not an object");
    const bool check = plan.key.rfind("--Check", 0) == 0;
    if (check) {
        const auto state = kCheckStates.find(doc.value("state", ""));
        if (state == kCheckStates.end()) return broken.push_back("the check's document has no state");
        if (state->second != r.exitCode)
            broken.push_back("the check's state " + state->first + " but exit " + std::to_string(r.exitCode));
        return;
    }
    const bool error = doc.contains("error");
    const bool interrupted = doc.contains("interrupted");
    if (r.exitCode == 0 && (error || interrupted))
        broken.push_back("exit 0 with an error or an interruption in the document");
    if (r.exitCode == 1 && !error) broken.push_back("exit 1 without an error in the document");
    if (error && r.exitCode != 1 && r.exitCode != 2)
        broken.push_back("an error in the document but exit " + std::to_string(r.exitCode));
}

void CheckConsole(const Plan& plan, const harness::CvccResult& r, const std::string& banner,
                  std::vector<std::string>& broken) {
    if (plan.key.rfind("--Check", 0) == 0) {
        static const std::regex plugin(R"(BACKUP (OK|WARNING|CRITICAL|UNKNOWN) - [^\n]*(\n[^]*)?)");
        std::smatch m;
        if (!std::regex_match(r.out, m, plugin))
            return broken.push_back("the check's stdout does not begin with the plugin line");
        if (kCheckStates.at(m[1]) != r.exitCode)
            broken.push_back("the check's state " + m[1].str() + " but exit " + std::to_string(r.exitCode));
        return;
    }
    if (r.out.compare(0, banner.size(), banner) != 0)
        return broken.push_back("stdout does not begin with the banner");
    if (plan.key == "--Help") return;
    std::istringstream lines(r.out.substr(banner.size()));
    std::string line;
    while (std::getline(lines, line)) {
        bool documented = false;
        for (const auto& pattern : DocumentedLines())
            if (std::regex_match(line, pattern)) {
                documented = true;
                break;
            }
        if (!documented) broken.push_back("stdout has an undocumented line: " + line);
    }
}

// Requests that change something on the server or the Coordinator: a second
// one of the same kind, object and arguments in one run is a request sent twice.
const std::set<std::string> kOnce = {"Start", "Stop", "DeleteTask", "ShutdownServer",
                                     "_set_proxyHost", "_set_proxyPort", "unbind",
                                     "ActivateSession", "DeactivateSession"};

}  // namespace

std::vector<std::string> Violations(const Plan& plan, const Outcome& outcome,
                                    const std::string& banner) {
    std::vector<std::string> broken;
    const auto& r = outcome.result;
    if (r.timedOut)
        broken.push_back("did not end within " + std::to_string(outcome.bound.count() / 1000) + " s");
    if (r.leftBehind) broken.push_back("left a process behind");
    if (!CVLib::strings::IsUtf8(r.out)) broken.push_back("stdout is not UTF-8");
    if (!r.timedOut) {
        if (plan.json && plan.key != "--Help")
            CheckJson(plan, r, broken);
        else if (!plan.json)
            CheckConsole(plan, r, banner, broken);
    }

    std::set<std::string> seen;
    int opened = 0;
    int closed = 0;
    for (const auto& entry : outcome.journal) {
        const std::string operation = entry.value("operation", "");
        if (operation == "ActivateSession") ++opened;
        if (operation == "DeactivateSession") ++closed;
        if (!kOnce.count(operation) || !entry.contains("args")) continue;
        const std::string request =
            entry.value("object", "") + " " + operation + " " + entry["args"].dump();
        if (!seen.insert(request).second) broken.push_back("a request twice: " + request);
    }
    // A session the server refused is no session.
    const bool refused = (plan.fault == Fault::AccessDenied) ||
                         (plan.fault == Fault::Raise && plan.target.operation == "ActivateSession");
    if (refused && opened > 0) --opened;
    if (outcome.serverSurvived && !r.timedOut && closed < opened)
        broken.push_back("the session was left open on a server that answers");

    // The workstations are bnsim's: when it is gone, they all are dead.
    if (outcome.bindingsAfter && outcome.serverSurvived) {
        for (const char* live : {"ACCOUNTING-01", "RECEPTION", "ROAMING", "HUNG-PC"}) {
            const bool inScenario = std::string(live) != "HUNG-PC" || plan.fault == Fault::WorkstationHung;
            if (inScenario && outcome.bindingsAfter->find(live) == std::string::npos)
                broken.push_back(std::string("the sweep removed the live workstation ") + live);
        }
    }
    return broken;
}

}  // namespace soak
