// A task ("task:ID") and its properties ("props:ID"). The task's status
// follows the scenario's scripts: Start and Stop load a script, and each
// GetStatus call answers the current step and counts towards the next one,
// so a test knows exactly which poll sees which status.
//
// ID is the task id; a second task with the same id is "task:ID/2", a third
// "task:ID/3", and so on for every object of that task.
#pragma once

#include "BackupNetwork.hh"
#include "idl/task_status.h"
#include "sim/sim_object.h"

namespace bnsim {

class TaskPropertiesServant : public POA_BackupNetwork::TaskProperties, public SimObject {
public:
    TaskPropertiesServant(Simulation& sim, const TaskSpec& plan, const std::string& suffix);

    // The display name now (it can be set), for Session::GetTaskByName.
    std::wstring DisplayName() const;

    BackupNetwork::TaskUID id() override;
    CORBA::WChar* fname() override { return GetText("fname"); }
    CORBA::WChar* dname() override { return GetText("dname"); }
    void dname(const CORBA::WChar* v) override { SetText("dname", v); }
    BackupNetwork::OperationType type() override {
        return GetEnum<BackupNetwork::OperationType>("type");
    }
    void type(BackupNetwork::OperationType v) override { SetEnum("type", v); }
    CORBA::ULongLong creationTime() override { return GetULongLong("creationTime"); }
    void creationTime(CORBA::ULongLong v) override { SetULongLong("creationTime", v); }
    CORBA::Boolean useInPLC() override { return GetFlag("useInPLC"); }
    void useInPLC(CORBA::Boolean v) override { SetFlag("useInPLC", v); }
    CORBA::ULong expTheshold() override { return GetULong("expTheshold"); }
    void expTheshold(CORBA::ULong v) override { SetULong("expTheshold", v); }
    CORBA::ULongLong expPeriod() override { return GetULongLong("expPeriod"); }
    void expPeriod(CORBA::ULongLong v) override { SetULongLong("expPeriod", v); }
    CORBA::ULong priority() override { return GetULong("priority"); }
    void priority(CORBA::ULong v) override { SetULong("priority", v); }
    BackupNetwork::CustomActionsList* actions() override { NotServed("_get_actions"); }
    void actions(const BackupNetwork::CustomActionsList&) override { NotServed("_set_actions"); }
    BackupNetwork::ObjectsFetchingProperties_ptr fetching() override { NotServed("_get_fetching"); }
    BackupNetwork::OperationProperties_ptr operation() override { NotServed("_get_operation"); }
    void operation(BackupNetwork::OperationProperties_ptr) override { NotServed("_set_operation"); }
    BackupNetwork::ScheduleProperties_ptr schedule() override { NotServed("_get_schedule"); }
    void schedule(BackupNetwork::ScheduleProperties_ptr) override { NotServed("_set_schedule"); }
    BackupNetwork::WStringsList* sources() override { return GetList("sources"); }
    void sources(const BackupNetwork::WStringsList& v) override { SetList("sources", v); }
    BackupNetwork::WStringsList* targets() override { return GetList("targets"); }
    void targets(const BackupNetwork::WStringsList& v) override { SetList("targets", v); }
    BackupNetwork::WStringsList* aliases() override { return GetList("aliases"); }
    void aliases(const BackupNetwork::WStringsList& v) override { SetList("aliases", v); }
    BackupNetwork::WStringsList* filters() override { return GetList("filters"); }
    void filters(const BackupNetwork::WStringsList& v) override { SetList("filters", v); }
    BackupNetwork::WStringsList* events() override { return GetList("events"); }
    void events(const BackupNetwork::WStringsList& v) override { SetList("events", v); }
    CORBA::ULong version() override { return GetULong("version"); }
    CORBA::Boolean versioned() override { return GetFlag("versioned"); }
    void versioned(CORBA::Boolean v) override { SetFlag("versioned", v); }
    CORBA::ULong maxVersionsCount() override { return GetULong("maxVersionsCount"); }
    void maxVersionsCount(CORBA::ULong v) override { SetULong("maxVersionsCount", v); }
    CORBA::ULongLong maxStorageTime() override { return GetULongLong("maxStorageTime"); }
    void maxStorageTime(CORBA::ULongLong v) override { SetULongLong("maxStorageTime", v); }

private:
    std::string suffix_;
    BackupNetwork::TaskUID id_;
};

// A task's log ("log:ID"): Open starts it at its first line, GetNextLine
// hands out one line a call. A task without a log in its scenario answers
// Open with false.
class LogServant : public POA_BackupNetwork::Log, public SimObject {
public:
    LogServant(Simulation& sim, const std::optional<TaskLog>& log, const std::string& suffix)
        : SimObject(sim, "log:" + suffix), log_(log) {}

    CORBA::WChar* filePath() override { NotServed("_get_filePath"); }
    CORBA::Boolean Open() override;
    void Close() override;
    void Clear() override { NotServed("Clear", true); }
    void Rewind() override { NotServed("Rewind", true); }
    CORBA::Boolean GetNextLine(CORBA::WString_out line) override;
    CORBA::Boolean Read(BackupNetwork::BinaryData&, CORBA::ULong&) override { NotServed("Read"); }
    void Write(BackupNetwork::IDLLogEvent, const CORBA::WChar*) override {
        NotServed("Write", true);
    }

private:
    std::optional<TaskLog> log_;
    bool open_ = false;
    long next_ = 0;  // counts over every repeat
};

class TaskServant : public POA_BackupNetwork::Task,
                    public SimObject,
                    public wiretext::TaskStatusSource {
public:
    // Activates the task's properties too.
    TaskServant(Simulation& sim, const TaskSpec& plan, const std::string& suffix);
    ~TaskServant() override;
    TaskServant(const TaskServant&) = delete;
    TaskServant& operator=(const TaskServant&) = delete;

    std::wstring DisplayName() const { return props_->DisplayName(); }
    // Deactivates the task and every object made for it.
    void Retire();

    BackupNetwork::TaskProperties_ptr props() override;
    // The task's one log, made at the first call.
    BackupNetwork::Log_ptr log() override;
    char* xml() override { NotServed("_get_xml"); }
    // Past tsTotal raises MARSHAL, as the generated code would; a request
    // from outside is answered by _dispatch with any value.
    BackupNetwork::TaskStatus GetStatus() override;
    CORBA::ULong GetStatusValue() override { return NextStatus(); }
    BackupNetwork::OperationType GetCurrentOperation() override {
        NotServed("GetCurrentOperation");
    }
    CORBA::ULongLong GetLastRunTime() override { NotServed("GetLastRunTime"); }
    CORBA::ULongLong GetNextRunTime() override { NotServed("GetNextRunTime"); }
    void Start() override;
    void StartAs(BackupNetwork::OperationType) override { NotServed("StartAs", true); }
    void Stop() override;
    CORBA::Boolean IsRunning() override { NotServed("IsRunning"); }
    void Save() override { NotServed("Save", true); }
    void LoadTaskProperties(const CORBA::WChar*) override { NotServed("LoadTaskProperties"); }
    CORBA::UShort GetCompletionRate() override { NotServed("GetCompletionRate"); }

protected:
    // Answers GetStatus with the status as a plain unsigned long.
    CORBA::Boolean _dispatch(omniCallHandle& handle) override;

private:
    // The status for this poll; moves the script on.
    StatusValue NextStatus();
    void RunScript(const std::vector<StatusStep>& script);

    TaskSpec plan_;
    std::string suffix_;
    TaskPropertiesServant* props_;  // owned by the POA, alive while this task is
    BackupNetwork::TaskProperties_var propsRef_;
    BackupNetwork::Log_var logRef_;
    StatusValue status_;
    std::vector<StatusStep> script_;
    std::size_t step_ = 0;
    int polled_ = 0;
};

}  // namespace bnsim
