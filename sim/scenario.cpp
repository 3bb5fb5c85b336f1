#include "sim/scenario.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

#include "sim/faults.h"
#include "sim/scenario_reader.h"
#include "utility/strings.h"

namespace bnsim {
namespace {

using CVLib::strings::toWstr;
using nlohmann::json;

constexpr std::array<const char*, 17> kTaskStatusNames = {
    "tsBackup",         "tsRestore",         "tsSynchronize",       "tsRefresh",
    "tsWaiting",        "tsWaitingSchedule", "tsSuccess",           "tsSuccessSchedule",
    "tsError",          "tsErrorSchedule",   "tsStopped",           "tsQuotaExceeded",
    "tsAccountExpired", "tsSilentDeclined",  "tsSuccessWithErrors", "tsSuccessScheduleWithErrors",
    "tsTotal"};

constexpr std::array<const char*, 6> kOperationTypeNames = {
    "otBackupFull",  "otBackupIncremental",  "otBackupDifferential",
    "otRestoreFull", "otRestoreIncremental", "otSynchronize"};

constexpr std::uint32_t kUInt32Max = std::numeric_limits<std::uint32_t>::max();

// Looks `name` up in `names`; answers its index or fails naming the field.
template <std::size_t N>
std::size_t Enumerator(const FieldReader& r, const char* key, const std::string& name,
                       const std::array<const char*, N>& names, const char* what) {
    for (std::size_t i = 0; i < N; ++i)
        if (name == names[i]) return i;
    r.Fail(key, std::string("unknown ") + what + " \"" + name + "\"");
}

// An enumerator's name, or the value as a number (any 32-bit value, so a
// server newer than the client can be played).
StatusValue Status(const FieldReader& r, const char* key) {
    if (!r.IsText(key)) return static_cast<StatusValue>(r.RequiredInteger(key, 0, kUInt32Max));
    return static_cast<StatusValue>(
        Enumerator(r, key, r.RequiredText(key), kTaskStatusNames, "status"));
}

std::vector<StatusStep> Script(const FieldReader& task, const char* key,
                               std::vector<StatusStep> fallback) {
    const json* steps = task.Optional(key, json::value_t::array, "an array of steps");
    if (!steps) return fallback;
    std::vector<StatusStep> script;
    for (std::size_t i = 0; i < steps->size(); ++i) {
        const bool last = i + 1 == steps->size();
        FieldReader step((*steps)[i], task.file(), IndexPath(task.PathOf(key), i),
                         {"status", "polls"});
        StatusStep s{Status(step, "status"), 0};
        if (last && step.Has("polls"))
            step.Fail("polls", "the last step holds its status for good and takes no polls");
        if (!last) s.polls = static_cast<int>(step.RequiredInteger("polls", 1, 1000000));
        script.push_back(s);
    }
    return script;
}

TaskLog ReadLog(const FieldReader& task) {
    const json* value = task.Optional("log", json::value_t::object, "an object");
    FieldReader r(*value, task.file(), task.PathOf("log"), {"lines", "repeat"});
    TaskLog log;
    log.repeat = static_cast<long>(r.Integer("repeat", 1, 1, 100000000));
    const json* lines = r.Optional("lines", json::value_t::array, "an array of texts");
    for (std::size_t i = 0; lines && i < lines->size(); ++i)
        log.lines.push_back(WideTextAt((*lines)[i], r.file(), IndexPath(r.PathOf("lines"), i)));
    return log;
}

TaskSpec ReadTask(const json& value, const std::string& file, const std::string& path) {
    FieldReader r(value, file, path,
                  {"id", "name", "fname", "status", "run", "type", "start", "stop", "log"});
    TaskSpec t;
    t.id = static_cast<std::int32_t>(r.RequiredInteger("id", std::numeric_limits<int32_t>::min(),
                                                       std::numeric_limits<int32_t>::max()));
    if (!r.Has("name")) r.Fail("name", "missing");
    t.name = r.WideText("name", L"");
    t.fname = r.WideText("fname", t.name);
    if (r.Has("status")) t.status = Status(r, "status");
    t.running = Script(r, "run", {});
    if (r.Has("run") && r.Has("status")) r.Fail("run", "give either \"status\" or \"run\"");
    if (r.Has("run") && t.running.empty()) r.Fail("run", "give at least one step");
    if (r.Has("type"))
        t.type = static_cast<BackupNetwork::OperationType>(
            Enumerator(r, "type", r.Text("type", ""), kOperationTypeNames, "operation type"));
    t.onStart = Script(r, "start", {{BackupNetwork::tsBackup, 1}, {BackupNetwork::tsSuccess, 0}});
    t.onStop = Script(r, "stop", {{BackupNetwork::tsStopped, 0}});
    if (r.Has("log")) t.log = ReadLog(r);
    return t;
}

ServerSpec ReadServer(const json& value, const std::string& file) {
    FieldReader r(
        value, file, "server",
        {"bound", "host", "version", "denyAllLogins", "denyLogins", "impostor", "shutdown"});
    ServerSpec s;
    s.bound = r.Flag("bound", true);
    s.host = r.Text("host", "");
    if (r.Has("host") && s.host.empty()) r.Fail("host", "must not be empty");
    s.version = r.WideText("version", L"7.4.4.0");
    s.denyAllLogins = r.Flag("denyAllLogins", false);
    if (const json* logins = r.Optional("denyLogins", json::value_t::array, "an array of logins")) {
        for (std::size_t i = 0; i < logins->size(); ++i) {
            if (!(*logins)[i].is_string())
                FailAt(file, IndexPath(r.PathOf("denyLogins"), i), "must be a string");
            s.denyLogins.push_back(toWstr((*logins)[i].get<std::string>()));
        }
    }
    s.impostor = r.Flag("impostor", false);
    const std::string shutdown = r.Text("shutdown", "exit");
    if (shutdown != "exit" && shutdown != "ignore")
        r.Fail("shutdown", "must be \"exit\" or \"ignore\", not \"" + shutdown + "\"");
    s.ignoreShutdown = shutdown == "ignore";
    return s;
}

enum class Kind { Flag, UInt32, Text };
struct Attribute {
    const char* name;
    Kind kind;
    json fallback;
};

// Copies the attributes of `table` from `value` (or their defaults) into an
// object, checking each one's type.
json ReadAttributes(const FieldReader& r, const std::vector<Attribute>& table) {
    json result = json::object();
    for (const Attribute& a : table) {
        switch (a.kind) {
            case Kind::Flag:
                result[a.name] = r.Flag(a.name, a.fallback.get<bool>());
                break;
            case Kind::UInt32:
                result[a.name] = r.Integer(a.name, a.fallback.get<std::int64_t>(), 0, kUInt32Max);
                break;
            case Kind::Text:
                result[a.name] = r.Text(a.name, a.fallback.get<std::string>());
                break;
        }
    }
    return result;
}

json ReadSettings(const json* value, const std::string& file) {
    static const std::vector<Attribute> settings = {{"proxyAutoDetect", Kind::Flag, false},
                                                    {"proxyHost", Kind::Text, ""},
                                                    {"proxyPort", Kind::UInt32, 0},
                                                    {"proxyUser", Kind::Text, ""},
                                                    {"proxyPassword", Kind::Text, ""},
                                                    {"taskLogMaxSize", Kind::UInt32, 1048576},
                                                    {"sysLogMaxSize", Kind::UInt32, 1048576},
                                                    {"defaultStorage", Kind::Text, ""},
                                                    {"lang", Kind::Text, "en"},
                                                    {"tempFolder", Kind::Text, "/tmp"},
                                                    {"defaultTempFolder", Kind::Text, "/tmp"}};
    static const std::vector<Attribute> smtp = {{"useNotification", Kind::Flag, false},
                                                {"host", Kind::Text, ""},
                                                {"port", Kind::UInt32, 25},
                                                {"useAuthentication", Kind::Flag, false},
                                                {"user", Kind::Text, ""},
                                                {"password", Kind::Text, ""},
                                                {"from", Kind::Text, ""},
                                                {"to", Kind::Text, ""},
                                                {"subject", Kind::Text, ""},
                                                {"body", Kind::Text, ""},
                                                {"useSSL", Kind::Flag, false}};
    const json empty = json::object();
    FieldReader r(value ? *value : empty, file, "settings",
                  {"proxyAutoDetect", "proxyHost", "proxyPort", "proxyUser", "proxyPassword",
                   "taskLogMaxSize", "sysLogMaxSize", "defaultStorage", "lang", "tempFolder",
                   "defaultTempFolder", "smtp"});
    json result = ReadAttributes(r, settings);
    const json* smtpValue = r.Optional("smtp", json::value_t::object, "an object");
    FieldReader s(smtpValue ? *smtpValue : empty, file, r.PathOf("smtp"),
                  {"useNotification", "host", "port", "useAuthentication", "user", "password",
                   "from", "to", "subject", "body", "useSSL"});
    result["smtp"] = ReadAttributes(s, smtp);
    return result;
}

WorkstationSpec ReadWorkstation(const json& value, const std::string& file,
                                const std::string& path) {
    static const std::map<std::string, WorkstationState> states = {
        {"alive", WorkstationState::Alive},   {"dead", WorkstationState::Dead},
        {"gone", WorkstationState::Gone},     {"notWorkstation", WorkstationState::NotWorkstation},
        {"silent", WorkstationState::Silent}, {"context", WorkstationState::Context},
        {"forwardsNowhere", WorkstationState::ForwardsNowhere}};
    FieldReader r(value, file, path, {"name", "kind", "state", "displayName", "host"});
    WorkstationSpec w;
    w.name = r.RequiredText("name");
    if (w.name.empty()) r.Fail("name", "must not be empty");
    w.kind = r.Text("kind", "workstation");
    const std::string state = r.Text("state", "alive");
    const auto found = states.find(state);
    if (found == states.end()) r.Fail("state", "unknown state \"" + state + "\"");
    w.state = found->second;
    w.displayName = toWstr(r.Text("displayName", w.name));
    w.host = toWstr(r.Text("host", ""));
    return w;
}

}  // namespace

Scenario ParseScenario(const std::string& text, const std::string& file) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& e) {
        FailAt(file, "", std::string("not valid JSON: ") + e.what());
    }
    FieldReader r(root, file, "",
                  {"server", "settings", "tasks", "workstations", "faults", "repeatingListing"});
    Scenario s;
    if (const json* server = r.Optional("server", json::value_t::object, "an object"))
        s.server = ReadServer(*server, file);
    s.settings = ReadSettings(r.Optional("settings", json::value_t::object, "an object"), file);
    if (const json* tasks = r.Optional("tasks", json::value_t::array, "an array of tasks"))
        for (std::size_t i = 0; i < tasks->size(); ++i)
            s.tasks.push_back(ReadTask((*tasks)[i], file, IndexPath("tasks", i)));
    if (const json* list =
            r.Optional("workstations", json::value_t::array, "an array of workstations")) {
        std::map<std::pair<std::string, std::string>, std::size_t> seen;
        for (std::size_t i = 0; i < list->size(); ++i) {
            const std::string path = IndexPath("workstations", i);
            WorkstationSpec w = ReadWorkstation((*list)[i], file, path);
            const auto [at, fresh] = seen.emplace(std::make_pair(w.name, w.kind), i);
            if (!fresh)
                FailAt(file, JoinPath(path, "name"),
                       "\"" + w.name + "\" with kind \"" + w.kind + "\" is already bound by " +
                           IndexPath("workstations", at->second));
            s.workstations.push_back(std::move(w));
        }
    }
    s.faults = ReadFaults(r.Optional("faults", json::value_t::array, "an array of faults"), file);
    s.repeatingListing = r.Flag("repeatingListing", false);
    return s;
}

Scenario LoadScenario(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) FailAt(path, "", std::string("cannot read: ") + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();
    return ParseScenario(text.str(), path);
}

}  // namespace bnsim
