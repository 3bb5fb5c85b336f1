#include "sim/task_servants.h"

#include <omniORB4/callHandle.h>

#include <cstring>

#include "idl/task_status.h"
#include "sim/property_servants.h"
#include "sim/settings_servants.h"
#include "utility/strings.h"

namespace bnsim {

using nlohmann::json;

TaskPropertiesServant::TaskPropertiesServant(Simulation& sim, const TaskSpec& plan,
                                             const std::string& suffix)
    : SimObject(sim, "props:" + suffix), suffix_(suffix), id_(plan.id) {
    attrs_ = {{"fname", CVLib::strings::toAstr(plan.fname)},
              {"dname", CVLib::strings::toAstr(plan.name)},
              {"type", static_cast<unsigned>(plan.type)},
              {"version", 1},
              {"sources", json::array()},
              {"targets", json::array()}};
}

std::wstring TaskPropertiesServant::DisplayName() const {
    return CVLib::strings::toWstr(attrs_.value("dname", std::string()));
}

BackupNetwork::TaskUID TaskPropertiesServant::id() {
    auto lock = Enter("_get_id");
    return id_;
}

BackupNetwork::CustomActionsList* TaskPropertiesServant::actions() {
    auto lock = Enter("_get_actions");
    return new BackupNetwork::CustomActionsList(actions_);
}

void TaskPropertiesServant::actions(const BackupNetwork::CustomActionsList& v) {
    json list = json::array();
    for (CORBA::ULong i = 0; i < v.length(); ++i)
        list.push_back(json{{"type", static_cast<unsigned>(v[i].type)},
                            {"wait", static_cast<bool>(v[i].wait)},
                            {"event", static_cast<unsigned>(v[i].event)},
                            {"params", Utf8(v[i].params)}});
    auto lock = Enter("_set_actions", {{"value", list}});
    actions_ = v;
}

BackupNetwork::ObjectsFetchingProperties_ptr TaskPropertiesServant::fetching() {
    auto lock = Enter("_get_fetching");
    if (CORBA::is_nil(fetching_)) {
        CORBA::Object_var obj = sim_.Activate(new ObjectsFetchingPropertiesServant(sim_, suffix_),
                                              "fetching:" + suffix_);
        fetching_ = BackupNetwork::ObjectsFetchingProperties::_narrow(obj);
    }
    return BackupNetwork::ObjectsFetchingProperties::_duplicate(fetching_);
}

BackupNetwork::OperationProperties_ptr TaskPropertiesServant::operation() {
    auto lock = Enter("_get_operation");
    if (CORBA::is_nil(operation_)) {
        const std::string name = "operation:" + suffix_;
        CORBA::Object_var obj = sim_.Activate(new OperationPropertiesServant(sim_, name), name);
        operation_ = BackupNetwork::OperationProperties::_narrow(obj);
    }
    return BackupNetwork::OperationProperties::_duplicate(operation_);
}

void TaskPropertiesServant::operation(BackupNetwork::OperationProperties_ptr v) {
    auto lock = Enter("_set_operation", {{"value", sim_.NameOf(v)}});
    operation_ = BackupNetwork::OperationProperties::_duplicate(v);
}

BackupNetwork::ScheduleProperties_ptr TaskPropertiesServant::schedule() {
    auto lock = Enter("_get_schedule");
    if (CORBA::is_nil(schedule_)) {
        const std::string name = "schedule:" + suffix_;
        CORBA::Object_var obj = sim_.Activate(new SchedulePropertiesServant(sim_, name), name);
        schedule_ = BackupNetwork::ScheduleProperties::_narrow(obj);
    }
    return BackupNetwork::ScheduleProperties::_duplicate(schedule_);
}

void TaskPropertiesServant::schedule(BackupNetwork::ScheduleProperties_ptr v) {
    auto lock = Enter("_set_schedule", {{"value", sim_.NameOf(v)}});
    schedule_ = BackupNetwork::ScheduleProperties::_duplicate(v);
}

TaskServant::TaskServant(Simulation& sim, const TaskSpec& plan, const std::string& suffix)
    : SimObject(sim, "task:" + suffix),
      spec_(plan),
      suffix_(suffix),
      props_(new TaskPropertiesServant(sim, plan, suffix)),
      status_(plan.status),
      operation_(plan.type) {
    // One reference for the POA (handed over by Activate), one kept here so
    // DisplayName stays valid until this task goes.
    props_->_add_ref();
    CORBA::Object_var obj = sim.Activate(props_, props_->journalName());
    propsRef_ = BackupNetwork::TaskProperties::_narrow(obj);
}

TaskServant::~TaskServant() {
    if (props_) props_->_remove_ref();
}

void TaskServant::Retire() {
    props_->_remove_ref();
    props_ = nullptr;
    // Deactivating the task itself may delete this servant at once, so it
    // goes last and nothing of this object is read after it.
    Simulation& sim = sim_;
    const std::string suffix = suffix_;
    for (const char* kind : {"props", "log", "fetching", "filesExclude", "filesInclude",
                             "operation", "schedule", "task"})
        sim.Deactivate(std::string(kind) + ":" + suffix);
}

BackupNetwork::TaskProperties_ptr TaskServant::props() {
    auto lock = Enter("_get_props");
    return BackupNetwork::TaskProperties::_duplicate(propsRef_);
}

BackupNetwork::Log_ptr TaskServant::log() {
    auto lock = Enter("_get_log");
    if (CORBA::is_nil(log_)) {
        const std::string name = "log:" + suffix_;
        CORBA::Object_var obj = sim_.Activate(new LogServant(sim_, name), name);
        log_ = BackupNetwork::Log::_narrow(obj);
    }
    return BackupNetwork::Log::_duplicate(log_);
}

char* TaskServant::xml() {
    auto lock = Enter("_get_xml");
    return CORBA::string_dup(("<task id=\"" + std::to_string(spec_.id) + "\"/>").c_str());
}

BackupNetwork::TaskStatus TaskServant::GetStatus() {
    const StatusValue status = NextStatus();
    if (status > BackupNetwork::tsTotal)
        throw CORBA::MARSHAL(omni::MARSHAL_InvalidEnumValue, CORBA::COMPLETED_YES);
    return static_cast<BackupNetwork::TaskStatus>(status);
}

CORBA::Boolean TaskServant::_dispatch(omniCallHandle& handle) {
    if (std::strcmp(handle.operation_name(), "GetStatus") != 0)
        return POA_BackupNetwork::Task::_dispatch(handle);
    wiretext::TaskStatusCall call(
        [](omniCallDescriptor* c, omniServant* servant) {
            auto* task = dynamic_cast<TaskServant*>(static_cast<BackupNetwork::_impl_Task*>(
                servant->_ptrToInterface(BackupNetwork::Task::_PD_repoId)));
            static_cast<wiretext::TaskStatusCall*>(c)->result = task->GetStatusValue();
        },
        true);
    handle.upcall(this, call);
    return true;
}

StatusValue TaskServant::NextStatus() {
    auto lock = Enter("GetStatus");
    const StatusValue answer = status_;
    if (step_ + 1 < script_.size() && ++polled_ >= script_[step_].polls) {
        ++step_;
        polled_ = 0;
        status_ = script_[step_].status;
    }
    return answer;
}

void TaskServant::RunScript(const std::vector<StatusStep>& script) {
    if (script.empty()) return;
    script_ = script;
    step_ = 0;
    polled_ = 0;
    status_ = script_[0].status;
}

BackupNetwork::OperationType TaskServant::GetCurrentOperation() {
    auto lock = Enter("GetCurrentOperation");
    return operation_;
}

CORBA::ULongLong TaskServant::GetLastRunTime() {
    auto lock = Enter("GetLastRunTime");
    return spec_.lastRunTime;
}

CORBA::ULongLong TaskServant::GetNextRunTime() {
    auto lock = Enter("GetNextRunTime");
    return spec_.nextRunTime;
}

void TaskServant::Start() {
    auto lock = EnterOneway("Start");
    operation_ = spec_.type;
    RunScript(spec_.onStart);
}

void TaskServant::StartAs(BackupNetwork::OperationType operation) {
    auto lock = EnterOneway("StartAs", {{"operation", OperationTypeName(operation)}});
    operation_ = operation;
    RunScript(spec_.onStart);
}

void TaskServant::Stop() {
    auto lock = EnterOneway("Stop");
    RunScript(spec_.onStop);
}

CORBA::Boolean TaskServant::IsRunning() {
    auto lock = Enter("IsRunning");
    return status_ < BackupNetwork::tsRefresh;
}

void TaskServant::Save() {
    auto lock = EnterOneway("Save");
}

void TaskServant::LoadTaskProperties(const CORBA::WChar* properties) {
    auto lock = Enter("LoadTaskProperties", {{"properties", Utf8(properties)}});
}

CORBA::UShort TaskServant::GetCompletionRate() {
    auto lock = Enter("GetCompletionRate");
    return spec_.completionRate;
}

}  // namespace bnsim
