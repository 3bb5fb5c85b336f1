#include "sim/server_servants.h"

#include <algorithm>

#include "idl/wire_text.h"
#include "sim/settings_servants.h"
#include "sim/task_servants.h"
#include "utility/strings.h"

namespace bnsim {
namespace {

// "7" for the first task with id 7, "7/2" for the second... Deleted tasks
// keep their numbers, so a name never comes back.
std::string TaskSuffix(Simulation& sim, std::int32_t id) {
    const int n = sim.NextNumber("task id " + std::to_string(id));
    return std::to_string(id) + (n > 1 ? "/" + std::to_string(n) : "");
}

BackupNetwork::Task_ptr AddTask(Simulation& sim, const TaskSpec& plan) {
    const std::string suffix = TaskSuffix(sim, plan.id);
    auto* servant = new TaskServant(sim, plan, suffix);
    CORBA::Object_var obj = sim.Activate(servant, servant->journalName());
    BackupNetwork::Task_var task = BackupNetwork::Task::_narrow(obj);
    sim.tasks().push_back({plan.id, plan.name, servant, task});
    return task._retn();
}

}  // namespace

void CreateTasks(Simulation& sim) {
    for (const TaskSpec& plan : sim.scenario().tasks) {
        BackupNetwork::Task_var task = AddTask(sim, plan);
    }
}

CORBA::WChar* ServerServant::version() {
    auto lock = Enter("_get_version");
    return WireDup(sim_.scenario().server.version);
}

BackupNetwork::Session_ptr ServerServant::ActivateSession(const CORBA::WChar* login,
                                                          const CORBA::WChar* extra) {
    auto lock = Enter("ActivateSession", {{"login", Utf8(login)}, {"extra", Utf8(extra)}});
    const ServerSpec& plan = sim_.scenario().server;
    const std::wstring who = wiretext::FromWire(login);
    if (plan.denyAllLogins ||
        std::find(plan.denyLogins.begin(), plan.denyLogins.end(), who) != plan.denyLogins.end())
        throw BackupNetwork::Server::AccessDenied();
    const std::string name = sim_.NextName("session");
    CORBA::Object_var obj = sim_.Activate(new SessionServant(sim_, name), name);
    return BackupNetwork::Session::_narrow(obj);
}

void ServerServant::DeactivateSession(BackupNetwork::Session_ptr session) {
    const std::string which = sim_.NameOf(session);
    auto lock = EnterOneway("DeactivateSession", {{"session", which}});
    if (which.rfind("session:", 0) == 0) sim_.Deactivate(which);
}

void ServerServant::ShutdownServer() {
    auto lock = EnterOneway("ShutdownServer");
    if (!sim_.scenario().server.ignoreShutdown) sim_.RequestStop();
}

BackupNetwork::ServerSettings_ptr SessionServant::settings() {
    auto lock = Enter("_get_settings");
    return sim_.Settings();
}

void SessionServant::DeleteTask(BackupNetwork::TaskUID taskId) {
    auto lock = EnterOneway("DeleteTask", {{"id", taskId}});
    auto& tasks = sim_.tasks();
    for (LiveTask& t : tasks)
        if (t.id == taskId) t.servant->Retire();
    tasks.erase(std::remove_if(tasks.begin(), tasks.end(),
                               [taskId](const LiveTask& t) { return t.id == taskId; }),
                tasks.end());
}

BackupNetwork::TasksList* SessionServant::tasks() {
    auto lock = Enter("_get_tasks");
    auto* result = new BackupNetwork::TasksList;
    const auto& tasks = sim_.tasks();
    result->length(static_cast<CORBA::ULong>(tasks.size()));
    for (CORBA::ULong i = 0; i < result->length(); ++i)
        (*result)[i] = BackupNetwork::Task::_duplicate(tasks[i].ref);
    return result;
}

}  // namespace bnsim
