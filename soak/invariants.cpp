#include "soak/invariants.h"

#include <algorithm>
#include <map>
#include <regex>
#include <set>

#include "utility/strings.h"

namespace soak {
namespace {

// A text as a pattern that matches it alone.
std::string Literal(const std::string& text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(text, special, R"(\$&)");
}

std::string AnyOf(const std::vector<std::string>& texts) {
    std::string alternatives;
    for (const auto& text : texts)
        alternatives += (alternatives.empty() ? "" : "|") + Literal(text);
    return "(" + alternatives + ")";
}

// A name in the listing's field of fifty characters.
std::string Padded(const std::string& name) {
    const std::size_t characters = CVLib::strings::toWstr(name).size();
    return name + std::string(characters < 50 ? 50 - characters : 0, ' ');
}

// The soak's tasks (plan.h), read once.
const nlohmann::json& ScenarioTasks() {
    static const nlohmann::json tasks = nlohmann::json::parse(BaseScenario()).at("tasks");
    return tasks;
}

// The texts the console may print after the banner, one pattern a documented
// row, each with the line ends it prints. They are written here from the
// documentation, never taken from the client: the soak must not agree with
// a mistake of the client's. The tasks, their logs and the arguments are the
// soak's own (plan.h); a run's stdout is these texts one after another.
const std::vector<std::regex>& DocumentedTexts() {
    static const std::vector<std::regex> texts = [] {
        std::vector<std::string> names, logLines, arguments;
        std::string rows, rowStarts;
        for (const auto& task : ScenarioTasks()) {
            const std::string name = task.at("name");
            names.push_back(name);
            const std::string start = Literal(std::to_string(task.at("id").get<int>()) + "\t | ");
            rows += (rows.empty() ? "" : "|") + start + Literal(Padded(name));
            rowStarts +=
                (rowStarts.empty() ? "" : "|") + start + "(" + Literal(Padded(name)) + ")?";
            if (task.contains("log"))
                for (const auto& line : task["log"].at("lines")) logLines.push_back(line);
        }
        for (const auto& key : Keys())
            for (const auto& argument : key.second)
                if (argument.rfind("--", 0) != 0) arguments.push_back(argument);
        const std::string name = AnyOf(names), argument = AnyOf(arguments);
        const std::string status = AnyOf({"backuping", "restoring", "synchronizing", "refreshing",
                                          "idle", "idle, scheduled", "success", "error", "stopped",
                                          "declined", "success w/errors", "unknown"});
        // A failure's text, which ends the run, also at the end of a row or a
        // wait's dots.
        const std::string failure =
            "(" +
            AnyOf({"Unable to connect the backup server.", "std::exception", "Access denied",
                   "Caught NO_RESOURCES exception. You must configure ORB with the location "
                   "of the naming service.",
                   "Failed to set proxy due the unknown error."}) +
            R"(|System error: [A-Z_]+\. Description: minor code: ([A-Za-z_]+ \(0x[0-9a-f]{8}\)|0x[0-9a-f]{8}), completed: COMPLETED_(NO|YES|MAYBE)))";
        const std::vector<std::string> patterns = {
            R"(Connected to Backup Server version: \d+(\.\d+)*\n)",
            Literal("Available tasks: \nId\t | " + Padded("Name") + " | Status\n" +
                    std::string(76, '-') + "\n"),
            "(" + rows + ") \\| " + status + "\n",
            "(" + rowStarts + ")" + failure + "\n",
            "(Running|Stopping|Deleting|Waiting for) task: " + name + "\n",
            "Task not found: " + argument + "\n",
            "Id must be integer: " + argument + "\n",
            "Task id not found: " + argument + "\n",
            "Task is busy: " + name + "\n",
            "Task is not running: " + name + " \\(" + status + "\\)\n",
            "Waiting\\.*(\nCompleted with status: " + status + "\n|" + failure + ")\n",
            "Log of task: " + name + "\n",
            Literal("The task's log is not available\n"),
            AnyOf(logLines) + "\n",
            Literal("Shutdown server\n"),
            Literal("Proxy settings applied successfully.\n"),
            Literal("Removing dead workstation links on the Coordinator. The operation can take "
                    "several minutes, depending on the Backup Network size\n\n"),
            Literal("No dead workstation links registered on the Coordinator\n"),
            Literal("The following dead workstation links removed from the Coordinator:\n"),
            "    " +
                AnyOf(
                    {"OLD-LAPTOP", "GONE-PC", "ACCOUNTING-01", "RECEPTION", "ROAMING", "HUNG-PC"}) +
                "\n",
            Literal("\nThis Server version not supported\n"),
            failure + "\n",
        };
        std::vector<std::regex> compiled;
        for (const auto& p : patterns) compiled.emplace_back(p);
        return compiled;
    }();
    return texts;
}

// How many bytes at `from` one documented text takes, the longest that fits;
// 0 when none does.
std::size_t DocumentedAt(const std::string& out, std::size_t from) {
    std::size_t longest = 0;
    std::smatch m;
    for (const auto& text : DocumentedTexts())
        if (std::regex_search(out.begin() + static_cast<long>(from), out.end(), m, text,
                              std::regex_constants::match_continuous))
            longest = std::max(longest, static_cast<std::size_t>(m.length(0)));
    return longest;
}

const std::map<std::string, int> kCheckStates = {
    {"OK", 0}, {"WARNING", 1}, {"CRITICAL", 2}, {"UNKNOWN", 3}};

void CheckJson(const Plan& plan, const harness::CvccResult& r, std::vector<std::string>& broken) {
    nlohmann::json doc;
    try {
        doc = nlohmann::json::parse(r.out);
    } catch (const nlohmann::json::parse_error&) {
        // The run's line keeps its stdout.
        broken.push_back("stdout is not one JSON document");
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
    for (std::size_t at = banner.size(); at < r.out.size();) {
        const std::size_t documented = DocumentedAt(r.out, at);
        if (documented > 0) {
            at += documented;
            continue;
        }
        const std::size_t end = std::min(r.out.find('\n', at), r.out.size());
        broken.push_back("stdout has an undocumented line: " + r.out.substr(at, end - at));
        at = end + 1;
    }
}

// The metrics' text, line by line: the documented families, each task
// series one of the soak's tasks by its own id and name, as many status
// series as cvcc_tasks counts, and cvcc_up 1 exactly when the run exits 0.
void CheckMetrics(const harness::CvccResult& r, std::vector<std::string>& broken) {
    static const std::regex sample = [] {
        std::vector<std::string> tasks;
        for (const auto& task : ScenarioTasks())
            tasks.push_back("id=\"" + std::to_string(task.at("id").get<int>()) + "\",name=\"" +
                            task.at("name").get<std::string>() + "\"");
        const std::string family =
            "cvcc_(up|collect_duration_seconds|info|tasks|task_status|task_state|task_busy)";
        const std::string value = R"( -?[0-9]+(\.[0-9]+)?(e[+-][0-9]+)?)";
        return std::regex("# HELP " + family + " [^\n]+|# TYPE " + family + " gauge|" +
                          "cvcc_(up|collect_duration_seconds|tasks)" + value +
                          R"(|cvcc_info\{version="[0-9.]+"(,server_version="[0-9.]+")?\})" + value +
                          "|cvcc_task_(status|busy)\\{" + AnyOf(tasks) + "\\}" + value +
                          "|cvcc_task_state\\{" + AnyOf(tasks) +
                          R"x(,state="(ok|warning|critical|unknown)"\})x" + value);
    }();
    if (!r.out.empty() && r.out.back() != '\n')
        broken.push_back("the metrics' last line has no line end");
    int up = -1, tasks = -1, statuses = 0;
    std::size_t at = 0;
    for (std::size_t end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = r.out.substr(at, end - at);
        if (!std::regex_match(line, sample)) {
            broken.push_back("the metrics have an undocumented line: " + line);
            continue;
        }
        if (line.rfind("cvcc_up ", 0) == 0) up = line.back() - '0';
        if (line.rfind("cvcc_tasks ", 0) == 0) tasks = std::stoi(line.substr(11));
        if (line.rfind("cvcc_task_status{", 0) == 0) ++statuses;
    }
    if (up != (r.exitCode == 0 ? 1 : 0) || r.exitCode > 1)
        broken.push_back("cvcc_up " + std::to_string(up) + " but exit " + std::to_string(r.exitCode));
    if (up == 1 && tasks < 0) broken.push_back("cvcc_up 1 without cvcc_tasks");
    if (up == 1 && tasks >= 0 && tasks != statuses)
        broken.push_back("cvcc_tasks " + std::to_string(tasks) + " but " + std::to_string(statuses) +
                         " status series");
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
        if (plan.json) {
            if (plan.key != "--Help") CheckJson(plan, r, broken);
        } else if (plan.key == "--Metrics") {
            CheckMetrics(r, broken);
        } else {
            CheckConsole(plan, r, banner, broken);
        }
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
