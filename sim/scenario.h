// The scenario the simulator plays: the backup server it binds, its tasks and
// settings, the workstations beside it and the faults it injects. Read from a
// JSON file (format in docs/simulator.md) and checked completely before
// anything is bound, so a bad file never leaves half a network behind.
//
// Plain values; the simulation copies what it needs and keeps no reference.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "BackupNetwork.hh"

namespace bnsim {

// "FILE: FIELD: problem", the whole message to print.
class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A task's status as GetStatus sends it: a TaskStatus, or any value past
// tsTotal that a newer server might send.
using StatusValue = std::uint32_t;

// One step of what Start or Stop does: the status answered by the next
// `polls` GetStatus calls. The last step of a script holds for good (polls 0).
struct StatusStep {
    StatusValue status;
    int polls = 0;
};

// A task's log: its lines, played `repeat` times over.
struct TaskLog {
    std::vector<std::wstring> lines;
    long repeat = 1;
};

struct TaskSpec {
    std::int32_t id = 0;
    std::wstring name;   // dname, the display name
    std::wstring fname;  // defaults to name
    StatusValue status = BackupNetwork::tsWaiting;
    BackupNetwork::OperationType type = BackupNetwork::otBackupFull;
    std::vector<StatusStep> running;  // the script it follows from the start, without Start
    std::vector<StatusStep> onStart;  // empty: Start changes nothing
    std::vector<StatusStep> onStop;
    std::optional<TaskLog> log;  // none: Log::Open answers false
};

struct ServerSpec {
    bool bound = true;
    std::string host;  // binding id; empty means this computer's host name
    std::wstring version = L"7.4.4.0";
    bool denyAllLogins = false;
    std::vector<std::wstring> denyLogins;
    bool impostor = false;        // bind an object that is no server
    bool ignoreShutdown = false;  // ShutdownServer is journaled and ignored
};

enum class WorkstationState { Alive, Dead, Gone, NotWorkstation, Silent, Context, ForwardsNowhere };

struct WorkstationSpec {
    std::string name;  // binding id, UTF-8
    std::string kind = "workstation";
    WorkstationState state = WorkstationState::Alive;
    std::wstring displayName;  // what `name` answers; defaults to name
    std::wstring host;         // what `host` answers; defaults to the server's host
};

enum class FaultAction { SystemException, UserException, Crash };

struct FaultSpec {
    std::string object;     // journal name; a trailing '*' matches any rest
    std::string operation;  // wire name: "GetStatus", "_get_version"
    FaultAction action = FaultAction::SystemException;
    std::string exception;  // "TRANSIENT", "UnknownTask", ...
    std::uint32_t minor = 0;
    CORBA::CompletionStatus completed = CORBA::COMPLETED_NO;
    std::wstring message;      // EmailSendException's member
    int fromCall = 1;          // the first matching call (1-based) it applies to
    std::optional<int> times;  // how many calls from there; unset: all
};

struct Scenario {
    ServerSpec server;
    nlohmann::json settings;  // the ServerSettings attributes, every one present
    std::vector<TaskSpec> tasks;
    std::vector<WorkstationSpec> workstations;
    std::vector<FaultSpec> faults;
    // The network context's listing repeats its first binding without end.
    bool repeatingListing = false;
};

// Parses and checks a scenario text; `file` names it in messages.
// Throws ScenarioError.
Scenario ParseScenario(const std::string& text, const std::string& file);

// Reads the file and parses it. Throws ScenarioError, also when unreadable.
Scenario LoadScenario(const std::string& path);

}  // namespace bnsim
