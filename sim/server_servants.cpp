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

CORBA::WChar* ServerServant::host() {
    auto lock = Enter("_get_host");
    return WireDupUtf8(sim_.host());
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
    CORBA::Object_var obj = sim_.Activate(new SessionServant(sim_, name, Utf8(login)), name);
    return BackupNetwork::Session::_narrow(obj);
}

void ServerServant::DeactivateSession(BackupNetwork::Session_ptr session) {
    const std::string which = sim_.NameOf(session);
    auto lock = EnterOneway("DeactivateSession", {{"session", which}});
    if (which.rfind("session:", 0) == 0) sim_.Deactivate(which);
}

char* ServerServant::stats() {
    auto lock = Enter("stats");
    return CORBA::string_dup(("tasks=" + std::to_string(sim_.tasks().size())).c_str());
}

void ServerServant::SendTestEmail() {
    auto lock = Enter("SendTestEmail");
}
void ServerServant::ReloadSettings() {
    auto lock = Enter("ReloadSettings");
}
void ServerServant::ping() {
    auto lock = EnterOneway("ping");
}

void ServerServant::ShutdownServer() {
    auto lock = EnterOneway("ShutdownServer");
    if (!sim_.scenario().server.ignoreShutdown) sim_.RequestStop();
}

SessionServant::SessionServant(Simulation& sim, const std::string& name, const std::string& login)
    : SimObject(sim, name) {
    attrs_ = {{"login", login}, {"id", std::stoul(name.substr(name.find(':') + 1))}};
}

BackupNetwork::ServerSettings_ptr SessionServant::settings() {
    auto lock = Enter("_get_settings");
    return sim_.Settings();
}

BackupNetwork::Session::Workstations* SessionServant::GetWorkstations() {
    auto lock = Enter("GetWorkstations");
    auto* result = new BackupNetwork::Session::Workstations;
    const auto& alive = sim_.aliveWorkstations();
    result->length(static_cast<CORBA::ULong>(alive.size()));
    for (CORBA::ULong i = 0; i < result->length(); ++i)
        (*result)[i] = BackupWorkstation::Workstation::_duplicate(alive[i]);
    return result;
}

BackupNetwork::Link_ptr SessionServant::OpenLink(const CORBA::WChar* linkName,
                                                 const CORBA::WChar* linkData) {
    auto lock = Enter("OpenLink", {{"linkName", Utf8(linkName)}, {"linkData", Utf8(linkData)}});
    const std::string name = sim_.NextName("link");
    CORBA::Object_var obj = sim_.Activate(new LinkServant(sim_, name, Utf8(linkName)), name);
    return BackupNetwork::Link::_narrow(obj);
}

void SessionServant::CloseLink(BackupNetwork::Link_ptr link) {
    const std::string which = sim_.NameOf(link);
    auto lock = Enter("CloseLink", {{"link", which}});
    if (which.rfind("link:", 0) == 0) sim_.Deactivate(which);
}

BackupNetwork::Task_ptr SessionServant::CreateTask() {
    auto lock = Enter("CreateTask");
    TaskSpec plan;
    for (const LiveTask& t : sim_.tasks()) plan.id = std::max(plan.id, t.id);
    plan.id = plan.id + 1;
    return AddTask(sim_, plan);
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

BackupNetwork::Task_ptr SessionServant::GetTask(BackupNetwork::TaskUID taskId) {
    auto lock = Enter("GetTask", {{"id", taskId}});
    for (const LiveTask& t : sim_.tasks())
        if (t.id == taskId) return BackupNetwork::Task::_duplicate(t.ref);
    throw BackupNetwork::Session::UnknownTask();
}

BackupNetwork::Task_ptr SessionServant::GetTaskByName(const CORBA::WChar* name) {
    auto lock = Enter("GetTaskByName", {{"name", Utf8(name)}});
    const std::wstring wanted = wiretext::FromWire(name);
    for (const LiveTask& t : sim_.tasks())
        if (t.servant->DisplayName() == wanted) return BackupNetwork::Task::_duplicate(t.ref);
    throw BackupNetwork::Session::UnknownTask();
}

CORBA::WChar* SessionServant::GetDataStorageBNP(const CORBA::WChar* request) {
    auto lock = Enter("GetDataStorageBNP", {{"request", Utf8(request)}});
    return CORBA::wstring_dup(L"");
}

void SessionServant::Deactivate() {
    auto lock = Enter("Deactivate");
    sim_.Deactivate(name_);
}

}  // namespace bnsim
