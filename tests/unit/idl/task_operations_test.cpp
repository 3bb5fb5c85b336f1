// The operations of Task, TaskProperties and the four task property
// interfaces as they travel.

#include <gtest/gtest.h>

#include "BackupNetwork.hh"
#include "operation_table.h"

namespace idltest {
namespace {

using namespace wire;
namespace BN = BackupNetwork;
using Target = CORBA::Object_ptr;

CORBA::TypeCode_ptr CustomActions() {
    return Sequence(Struct({Enum(), Boolean(), Enum(), WString()}));
}

TEST(TaskOperations, TravelAsDescribed) {
    using BN::Task;
    const std::vector<OperationRow> rows = {
        {"_get_props",
         Call::kTwoWay,
         Object(),
         {},
         [](Target t) { Discard(As<Task>(t)->props()); }},
        {"_get_log", Call::kTwoWay, Object(), {}, [](Target t) { Discard(As<Task>(t)->log()); }},
        {"_get_xml", Call::kTwoWay, String(), {}, [](Target t) { Discard(As<Task>(t)->xml()); }},
        {"GetStatus", Call::kTwoWay, Enum(), {}, [](Target t) { As<Task>(t)->GetStatus(); }},
        {"GetCurrentOperation",
         Call::kTwoWay,
         Enum(),
         {},
         [](Target t) { As<Task>(t)->GetCurrentOperation(); }},
        {"GetLastRunTime",
         Call::kTwoWay,
         ULongLong(),
         {},
         [](Target t) { As<Task>(t)->GetLastRunTime(); }},
        {"GetNextRunTime",
         Call::kTwoWay,
         ULongLong(),
         {},
         [](Target t) { As<Task>(t)->GetNextRunTime(); }},
        {"Start", Call::kOneway, Void(), {}, [](Target t) { As<Task>(t)->Start(); }},
        {"StartAs",
         Call::kOneway,
         Void(),
         {In(Enum())},
         [](Target t) { As<Task>(t)->StartAs(BN::otSynchronize); }},
        {"Stop", Call::kOneway, Void(), {}, [](Target t) { As<Task>(t)->Stop(); }},
        {"IsRunning", Call::kTwoWay, Boolean(), {}, [](Target t) { As<Task>(t)->IsRunning(); }},
        {"Save", Call::kOneway, Void(), {}, [](Target t) { As<Task>(t)->Save(); }},
        {"LoadTaskProperties",
         Call::kTwoWay,
         Void(),
         {In(WString())},
         [](Target t) { As<Task>(t)->LoadTaskProperties(L"<task/>"); }},
        {"GetCompletionRate",
         Call::kTwoWay,
         UShort(),
         {},
         [](Target t) { As<Task>(t)->GetCompletionRate(); }},
    };
    CheckOperations("IDL:tarmelin/BackupNetwork/Task:1.0", rows);
}

TEST(TaskPropertiesOperations, TravelAsDescribed) {
    using P = BN::TaskProperties;
    const BN::WStringsList none;
    const auto rows = Join({
        Getter("id", Long(), [](Target t) { As<P>(t)->id(); }),
        Getter("fname", WString(), [](Target t) { Discard(As<P>(t)->fname()); }),
        Attribute(
            "dname", WString, [](Target t) { Discard(As<P>(t)->dname()); },
            [](Target t) { As<P>(t)->dname(L"name"); }),
        Attribute(
            "type", Enum, [](Target t) { As<P>(t)->type(); },
            [](Target t) { As<P>(t)->type(BN::otRestoreFull); }),
        Attribute(
            "creationTime", ULongLong, [](Target t) { As<P>(t)->creationTime(); },
            [](Target t) { As<P>(t)->creationTime(1); }),
        Attribute(
            "useInPLC", Boolean, [](Target t) { As<P>(t)->useInPLC(); },
            [](Target t) { As<P>(t)->useInPLC(true); }),
        Attribute(
            "expTheshold", ULong, [](Target t) { As<P>(t)->expTheshold(); },
            [](Target t) { As<P>(t)->expTheshold(2); }),
        Attribute(
            "expPeriod", ULongLong, [](Target t) { As<P>(t)->expPeriod(); },
            [](Target t) { As<P>(t)->expPeriod(3); }),
        Attribute(
            "priority", ULong, [](Target t) { As<P>(t)->priority(); },
            [](Target t) { As<P>(t)->priority(4); }),
        Attribute(
            "actions", CustomActions, [](Target t) { Discard(As<P>(t)->actions()); },
            [](Target t) { As<P>(t)->actions(BN::CustomActionsList()); }),
        Getter("fetching", Object(), [](Target t) { Discard(As<P>(t)->fetching()); }),
        Attribute(
            "operation", Object, [](Target t) { Discard(As<P>(t)->operation()); },
            [](Target t) { As<P>(t)->operation(BN::OperationProperties::_nil()); }),
        Attribute(
            "schedule", Object, [](Target t) { Discard(As<P>(t)->schedule()); },
            [](Target t) { As<P>(t)->schedule(BN::ScheduleProperties::_nil()); }),
        Attribute(
            "sources", WStrings, [](Target t) { Discard(As<P>(t)->sources()); },
            [none](Target t) { As<P>(t)->sources(none); }),
        Attribute(
            "targets", WStrings, [](Target t) { Discard(As<P>(t)->targets()); },
            [none](Target t) { As<P>(t)->targets(none); }),
        Attribute(
            "aliases", WStrings, [](Target t) { Discard(As<P>(t)->aliases()); },
            [none](Target t) { As<P>(t)->aliases(none); }),
        Attribute(
            "filters", WStrings, [](Target t) { Discard(As<P>(t)->filters()); },
            [none](Target t) { As<P>(t)->filters(none); }),
        Attribute(
            "events", WStrings, [](Target t) { Discard(As<P>(t)->events()); },
            [none](Target t) { As<P>(t)->events(none); }),
        Getter("version", ULong(), [](Target t) { As<P>(t)->version(); }),
        Attribute(
            "versioned", Boolean, [](Target t) { As<P>(t)->versioned(); },
            [](Target t) { As<P>(t)->versioned(true); }),
        Attribute(
            "maxVersionsCount", ULong, [](Target t) { As<P>(t)->maxVersionsCount(); },
            [](Target t) { As<P>(t)->maxVersionsCount(5); }),
        Attribute(
            "maxStorageTime", ULongLong, [](Target t) { As<P>(t)->maxStorageTime(); },
            [](Target t) { As<P>(t)->maxStorageTime(6); }),
    });
    CheckOperations("IDL:tarmelin/BackupNetwork/TaskProperties:1.0", rows);
}

TEST(TaskPropertyInterfaceOperations, TravelAsDescribed) {
    using S = BN::ScheduleProperties;
    using O = BN::OperationProperties;
    using F = BN::FileFilterProperties;
    using X = BN::ObjectsFetchingProperties;
    const BN::WStringsList none;
    auto interval = [] { return Struct({ULongLong(), ULongLong()}); };
    const auto schedule = Join({
        Attribute(
            "isRunMissing", Boolean, [](Target t) { As<S>(t)->isRunMissing(); },
            [](Target t) { As<S>(t)->isRunMissing(true); }),
        Attribute(
            "type", Enum, [](Target t) { As<S>(t)->type(); },
            [](Target t) { As<S>(t)->type(S::stPeriod); }),
        Attribute(
            "start", ULongLong, [](Target t) { As<S>(t)->start(); },
            [](Target t) { As<S>(t)->start(1); }),
        Attribute(
            "days", ULong, [](Target t) { As<S>(t)->days(); }, [](Target t) { As<S>(t)->days(2); }),
        Attribute(
            "period", ULongLong, [](Target t) { As<S>(t)->period(); },
            [](Target t) { As<S>(t)->period(3); }),
    });
    CheckOperations("IDL:tarmelin/BackupNetwork/ScheduleProperties:1.0", schedule);

    const auto operation = Join({
        Attribute(
            "copyMode", Enum, [](Target t) { As<O>(t)->copyMode(); },
            [](Target t) { As<O>(t)->copyMode(BN::cmCleanDestination); }),
        Attribute(
            "copyDirection", Enum, [](Target t) { As<O>(t)->copyDirection(); },
            [](Target t) { As<O>(t)->copyDirection(BN::Reverse); }),
        Attribute(
            "diffCondition", Enum, [](Target t) { As<O>(t)->diffCondition(); },
            [](Target t) { As<O>(t)->diffCondition(BN::dcChanged); }),
        Attribute(
            "stopCondition", Enum, [](Target t) { As<O>(t)->stopCondition(); },
            [](Target t) { As<O>(t)->stopCondition(BN::scOnAnyError); }),
        Attribute(
            "checkFileSize", Boolean, [](Target t) { As<O>(t)->checkFileSize(); },
            [](Target t) { As<O>(t)->checkFileSize(true); }),
        Attribute(
            "checkCreationTime", Boolean, [](Target t) { As<O>(t)->checkCreationTime(); },
            [](Target t) { As<O>(t)->checkCreationTime(true); }),
        Attribute(
            "checkModificationTime", Boolean, [](Target t) { As<O>(t)->checkModificationTime(); },
            [](Target t) { As<O>(t)->checkModificationTime(true); }),
    });
    CheckOperations("IDL:tarmelin/BackupNetwork/OperationProperties:1.0", operation);

    auto filter = Join({
        Attribute(
            "attributes", ULong, [](Target t) { As<F>(t)->attributes(); },
            [](Target t) { As<F>(t)->attributes(1); }),
        Attribute(
            "masks", WStrings, [](Target t) { Discard(As<F>(t)->masks()); },
            [none](Target t) { As<F>(t)->masks(none); }),
        Getter("creation", interval(), [](Target t) { As<F>(t)->creation(); }),
    });
    filter.push_back({"_set_creation", Call::kTwoWay, Void(), {In(interval())}, [](Target t) {
                          As<F>(t)->creation(TimeBase::IntervalT{1, 2});
                      }});
    CheckOperations("IDL:tarmelin/BackupNetwork/FileFilterProperties:1.0", filter);

    const auto fetching = Join({
        Getter("filesExclude", Object(), [](Target t) { Discard(As<X>(t)->filesExclude()); }),
        Getter("filesInclude", Object(), [](Target t) { Discard(As<X>(t)->filesInclude()); }),
        Attribute(
            "foldersExcludeMasks", WStrings,
            [](Target t) { Discard(As<X>(t)->foldersExcludeMasks()); },
            [none](Target t) { As<X>(t)->foldersExcludeMasks(none); }),
        Attribute(
            "foldersIncludeMasks", WStrings,
            [](Target t) { Discard(As<X>(t)->foldersIncludeMasks()); },
            [none](Target t) { As<X>(t)->foldersIncludeMasks(none); }),
    });
    CheckOperations("IDL:tarmelin/BackupNetwork/ObjectsFetchingProperties:1.0", fetching);
}

}  // namespace
}  // namespace idltest
