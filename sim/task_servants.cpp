#include "sim/task_servants.h"

#include <omniORB4/callHandle.h>

#include <cstring>

#include "idl/task_status.h"
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

TaskServant::TaskServant(Simulation& sim, const TaskSpec& plan, const std::string& suffix)
    : SimObject(sim, "task:" + suffix),
      plan_(plan),
      suffix_(suffix),
      props_(new TaskPropertiesServant(sim, plan, suffix)),
      status_(plan.status) {
    // One reference for the POA (handed over by Activate), one kept here so
    // DisplayName stays valid until this task goes.
    props_->_add_ref();
    CORBA::Object_var obj = sim.Activate(props_, props_->journalName());
    propsRef_ = BackupNetwork::TaskProperties::_narrow(obj);
    RunScript(plan.running);
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
    if (!CORBA::is_nil(logRef_)) sim.Deactivate("log:" + suffix);
    for (const char* kind : {"props", "task"}) sim.Deactivate(std::string(kind) + ":" + suffix);
}

BackupNetwork::Log_ptr TaskServant::log() {
    auto lock = Enter("_get_log");
    if (CORBA::is_nil(logRef_)) {
        CORBA::Object_var obj =
            sim_.Activate(new LogServant(sim_, plan_.log, suffix_), "log:" + suffix_);
        logRef_ = BackupNetwork::Log::_narrow(obj);
    }
    return BackupNetwork::Log::_duplicate(logRef_);
}

CORBA::Boolean LogServant::Open() {
    auto lock = Enter("Open");
    open_ = log_.has_value();
    next_ = 0;
    return open_;
}

void LogServant::Close() {
    auto lock = EnterOneway("Close");
    open_ = false;
}

CORBA::Boolean LogServant::GetNextLine(CORBA::WString_out line) {
    auto lock = Enter("GetNextLine");
    const long count = log_ ? static_cast<long>(log_->lines.size()) * log_->repeat : 0;
    if (!open_ || next_ >= count) {
        line = WireDup(L"");
        return false;
    }
    line = WireDup(log_->lines[static_cast<std::size_t>(next_++) % log_->lines.size()]);
    return true;
}

BackupNetwork::TaskProperties_ptr TaskServant::props() {
    auto lock = Enter("_get_props");
    return BackupNetwork::TaskProperties::_duplicate(propsRef_);
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
    wiretext::TaskStatusCall call(true);
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

void TaskServant::Start() {
    auto lock = EnterOneway("Start");
    RunScript(plan_.onStart);
}

void TaskServant::Stop() {
    auto lock = EnterOneway("Stop");
    RunScript(plan_.onStop);
}

}  // namespace bnsim
