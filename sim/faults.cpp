#include "sim/faults.h"

#include <unistd.h>

#include <map>

#include "idl/wire_text.h"
#include "sim/scenario_reader.h"
#include "utility/strings.h"

namespace bnsim {
namespace {

using nlohmann::json;

using Thrower = void (*)(const FaultSpec&);

template <class E>
[[noreturn]] void ThrowSystem(const FaultSpec& f) {
    throw E(f.minor, f.completed);
}

const std::map<std::string, Thrower>& SystemExceptions() {
    static const std::map<std::string, Thrower> table = {
        {"UNKNOWN", ThrowSystem<CORBA::UNKNOWN>},
        {"BAD_PARAM", ThrowSystem<CORBA::BAD_PARAM>},
        {"NO_MEMORY", ThrowSystem<CORBA::NO_MEMORY>},
        {"IMP_LIMIT", ThrowSystem<CORBA::IMP_LIMIT>},
        {"COMM_FAILURE", ThrowSystem<CORBA::COMM_FAILURE>},
        {"INV_OBJREF", ThrowSystem<CORBA::INV_OBJREF>},
        {"NO_PERMISSION", ThrowSystem<CORBA::NO_PERMISSION>},
        {"INTERNAL", ThrowSystem<CORBA::INTERNAL>},
        {"MARSHAL", ThrowSystem<CORBA::MARSHAL>},
        {"INITIALIZE", ThrowSystem<CORBA::INITIALIZE>},
        {"NO_IMPLEMENT", ThrowSystem<CORBA::NO_IMPLEMENT>},
        {"BAD_OPERATION", ThrowSystem<CORBA::BAD_OPERATION>},
        {"NO_RESOURCES", ThrowSystem<CORBA::NO_RESOURCES>},
        {"NO_RESPONSE", ThrowSystem<CORBA::NO_RESPONSE>},
        {"BAD_INV_ORDER", ThrowSystem<CORBA::BAD_INV_ORDER>},
        {"TRANSIENT", ThrowSystem<CORBA::TRANSIENT>},
        {"OBJ_ADAPTER", ThrowSystem<CORBA::OBJ_ADAPTER>},
        {"DATA_CONVERSION", ThrowSystem<CORBA::DATA_CONVERSION>},
        {"OBJECT_NOT_EXIST", ThrowSystem<CORBA::OBJECT_NOT_EXIST>},
        {"TIMEOUT", ThrowSystem<CORBA::TIMEOUT>},
    };
    return table;
}

// The user exceptions, each with the operations that declare it and how it
// is raised there. AccessDenied exists twice: the server's and the
// workstation's, told apart by the operation.
struct UserException {
    const char* name;
    const char* operation;
    Thrower raise;
};

const std::vector<UserException>& UserExceptions() {
    static const std::vector<UserException> table = {
        {"UnknownTask", "GetTask",
         [](const FaultSpec&) { throw BackupNetwork::Session::UnknownTask(); }},
        {"UnknownTask", "GetTaskByName",
         [](const FaultSpec&) { throw BackupNetwork::Session::UnknownTask(); }},
        {"AccessDenied", "ActivateSession",
         [](const FaultSpec&) { throw BackupNetwork::Server::AccessDenied(); }},
        {"EmailSendException", "SendTestEmail",
         [](const FaultSpec& f) {
             throw BackupNetwork::Server::EmailSendException(wiretext::ToWire(f.message).c_str());
         }},
        {"AccessDenied", "OpenSession",
         [](const FaultSpec&) { throw BackupWorkstation::Workstation::AccessDenied(); }},
        {"SessionLimit", "OpenSession",
         [](const FaultSpec&) { throw BackupWorkstation::Workstation::SessionLimit(); }},
        {"BrokenServerSession", "OpenSession",
         [](const FaultSpec&) { throw BackupWorkstation::Workstation::BrokenServerSession(); }},
    };
    return table;
}

const UserException* FindUserException(const std::string& name, const std::string& operation) {
    for (const UserException& u : UserExceptions())
        if (name == u.name && operation == u.operation) return &u;
    return nullptr;
}

bool IsUserException(const std::string& name) {
    for (const UserException& u : UserExceptions())
        if (name == u.name) return true;
    return false;
}

FaultSpec ReadFault(const json& value, const std::string& file, const std::string& path) {
    FieldReader r(value, file, path,
                  {"object", "operation", "raise", "crash", "minor", "completed", "message",
                   "fromCall", "times"});
    FaultSpec f;
    f.object = r.RequiredText("object");
    f.operation = r.RequiredText("operation");
    const bool crash = r.Flag("crash", false);
    if (crash == r.Has("raise")) r.Fail("raise", "give either \"raise\" or \"crash\": true");
    if (crash) {
        f.action = FaultAction::Crash;
    } else {
        f.exception = r.Text("raise", "");
        if (SystemExceptions().count(f.exception)) {
            f.action = FaultAction::SystemException;
        } else if (IsUserException(f.exception)) {
            if (!FindUserException(f.exception, f.operation))
                r.Fail("raise",
                       f.exception + " is not declared by operation \"" + f.operation + "\"");
            f.action = FaultAction::UserException;
        } else {
            r.Fail("raise", "unknown exception \"" + f.exception + "\"");
        }
    }
    if (f.action != FaultAction::SystemException) {
        for (const char* key : {"minor", "completed"})
            if (r.Has(key)) r.Fail(key, "only a system exception takes it");
    }
    if (r.Has("message") && f.exception != "EmailSendException")
        r.Fail("message", "only EmailSendException takes it");
    f.minor = static_cast<std::uint32_t>(r.Integer("minor", 0, 0, 0xFFFFFFFFll));
    const std::string completed = r.Text("completed", "NO");
    static const std::map<std::string, CORBA::CompletionStatus> statuses = {
        {"NO", CORBA::COMPLETED_NO},
        {"YES", CORBA::COMPLETED_YES},
        {"MAYBE", CORBA::COMPLETED_MAYBE}};
    const auto status = statuses.find(completed);
    if (status == statuses.end())
        r.Fail("completed", "must be \"NO\", \"YES\" or \"MAYBE\", not \"" + completed + "\"");
    f.completed = status->second;
    f.message = CVLib::strings::toWstr(r.Text("message", ""));
    f.fromCall = static_cast<int>(r.Integer("fromCall", 1, 1, 1000000000));
    if (r.Has("times")) f.times = static_cast<int>(r.Integer("times", 1, 1, 1000000000));
    return f;
}

}  // namespace

std::vector<FaultSpec> ReadFaults(const json* value, const std::string& file) {
    std::vector<FaultSpec> faults;
    if (!value) return faults;
    for (std::size_t i = 0; i < value->size(); ++i)
        faults.push_back(ReadFault((*value)[i], file, IndexPath("faults", i)));
    return faults;
}

bool ObjectMatches(const std::string& pattern, const std::string& object) {
    if (!pattern.empty() && pattern.back() == '*')
        return object.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return pattern == object;
}

FaultPlan::FaultPlan(std::vector<FaultSpec> faults) {
    for (FaultSpec& f : faults) faults_.push_back({std::move(f), 0});
}

void FaultPlan::Apply(const std::string& object, const std::string& operation) {
    const FaultSpec* chosen = nullptr;
    for (Planned& p : faults_) {
        if (p.rule.operation != operation || !ObjectMatches(p.rule.object, object)) continue;
        const int call = ++p.calls;
        const bool due =
            call >= p.rule.fromCall && (!p.rule.times || call < p.rule.fromCall + *p.rule.times);
        if (due && !chosen) chosen = &p.rule;
    }
    if (!chosen) return;
    switch (chosen->action) {
        case FaultAction::Crash:
            _exit(3);
        case FaultAction::SystemException:
            SystemExceptions().at(chosen->exception)(*chosen);
            break;
        case FaultAction::UserException:
            FindUserException(chosen->exception, operation)->raise(*chosen);
            break;
    }
}

}  // namespace bnsim
