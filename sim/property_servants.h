// The property objects hanging off a task's properties: its schedule
// ("schedule:ID"), copy options ("operation:ID"), and what it fetches
// ("fetching:ID" with "filesExclude:ID" and "filesInclude:ID"). Plain stores
// of the values last set, with neutral defaults.
#pragma once

#include "BackupNetwork.hh"
#include "sim/sim_object.h"

namespace bnsim {

class SchedulePropertiesServant : public POA_BackupNetwork::ScheduleProperties, public SimObject {
public:
    SchedulePropertiesServant(Simulation& sim, const std::string& name) : SimObject(sim, name) {}

    CORBA::Boolean isRunMissing() override { return GetFlag("isRunMissing"); }
    void isRunMissing(CORBA::Boolean v) override { SetFlag("isRunMissing", v); }
    BackupNetwork::ScheduleProperties::ScheduleType type() override {
        return GetEnum<BackupNetwork::ScheduleProperties::ScheduleType>("type");
    }
    void type(BackupNetwork::ScheduleProperties::ScheduleType v) override { SetEnum("type", v); }
    CORBA::ULongLong start() override { return GetULongLong("start"); }
    void start(CORBA::ULongLong v) override { SetULongLong("start", v); }
    CORBA::ULong days() override { return GetULong("days"); }
    void days(CORBA::ULong v) override { SetULong("days", v); }
    CORBA::ULongLong period() override { return GetULongLong("period"); }
    void period(CORBA::ULongLong v) override { SetULongLong("period", v); }
};

class OperationPropertiesServant : public POA_BackupNetwork::OperationProperties, public SimObject {
public:
    OperationPropertiesServant(Simulation& sim, const std::string& name) : SimObject(sim, name) {}

    BackupNetwork::CopyMode copyMode() override {
        return GetEnum<BackupNetwork::CopyMode>("copyMode");
    }
    void copyMode(BackupNetwork::CopyMode v) override { SetEnum("copyMode", v); }
    BackupNetwork::CopyDirection copyDirection() override {
        return GetEnum<BackupNetwork::CopyDirection>("copyDirection");
    }
    void copyDirection(BackupNetwork::CopyDirection v) override { SetEnum("copyDirection", v); }
    BackupNetwork::DiffCondition diffCondition() override {
        return GetEnum<BackupNetwork::DiffCondition>("diffCondition");
    }
    void diffCondition(BackupNetwork::DiffCondition v) override { SetEnum("diffCondition", v); }
    BackupNetwork::StopCondition stopCondition() override {
        return GetEnum<BackupNetwork::StopCondition>("stopCondition");
    }
    void stopCondition(BackupNetwork::StopCondition v) override { SetEnum("stopCondition", v); }
    CORBA::Boolean checkFileSize() override { return GetFlag("checkFileSize"); }
    void checkFileSize(CORBA::Boolean v) override { SetFlag("checkFileSize", v); }
    CORBA::Boolean checkCreationTime() override { return GetFlag("checkCreationTime"); }
    void checkCreationTime(CORBA::Boolean v) override { SetFlag("checkCreationTime", v); }
    CORBA::Boolean checkModificationTime() override { return GetFlag("checkModificationTime"); }
    void checkModificationTime(CORBA::Boolean v) override { SetFlag("checkModificationTime", v); }
};

class FileFilterPropertiesServant : public POA_BackupNetwork::FileFilterProperties,
                                    public SimObject {
public:
    FileFilterPropertiesServant(Simulation& sim, const std::string& name) : SimObject(sim, name) {}

    CORBA::ULong attributes() override { return GetULong("attributes"); }
    void attributes(CORBA::ULong v) override { SetULong("attributes", v); }
    BackupNetwork::WStringsList* masks() override { return GetList("masks"); }
    void masks(const BackupNetwork::WStringsList& v) override { SetList("masks", v); }
    TimeBase::IntervalT creation() override;
    void creation(const TimeBase::IntervalT& v) override;
};

class ObjectsFetchingPropertiesServant : public POA_BackupNetwork::ObjectsFetchingProperties,
                                         public SimObject {
public:
    // `suffix` is the task's ("7"), naming the two filters.
    ObjectsFetchingPropertiesServant(Simulation& sim, const std::string& suffix);

    BackupNetwork::FileFilterProperties_ptr filesExclude() override;
    BackupNetwork::FileFilterProperties_ptr filesInclude() override;
    BackupNetwork::WStringsList* foldersExcludeMasks() override {
        return GetList("foldersExcludeMasks");
    }
    void foldersExcludeMasks(const BackupNetwork::WStringsList& v) override {
        SetList("foldersExcludeMasks", v);
    }
    BackupNetwork::WStringsList* foldersIncludeMasks() override {
        return GetList("foldersIncludeMasks");
    }
    void foldersIncludeMasks(const BackupNetwork::WStringsList& v) override {
        SetList("foldersIncludeMasks", v);
    }

private:
    BackupNetwork::FileFilterProperties_ptr Filter(const char* attr,
                                                   BackupNetwork::FileFilterProperties_var& held);
    std::string suffix_;
    BackupNetwork::FileFilterProperties_var exclude_;
    BackupNetwork::FileFilterProperties_var include_;
};

}  // namespace bnsim
