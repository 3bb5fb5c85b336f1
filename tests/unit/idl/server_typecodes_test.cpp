// Type codes of module BackupNetwork: ids under the prefix "tarmelin" (none
// for CVServices and Launcher), names, enumerators in ordinal order and
// members in wire order.

#include <gtest/gtest.h>

#include "BackupNetwork.hh"
#include "CVServices.hh"
#include "loopback_orb.h"
#include "typecode_check.h"

namespace idltest {
namespace {

namespace BN = BackupNetwork;
using namespace CORBA;

TEST(ServerTypeCodes, MatchTheProtocol) {
    const std::string p = "IDL:tarmelin/BackupNetwork/";
    CheckTypeCodes({
        {BN::_tc_TaskUID, tk_alias, p + "TaskUID:1.0", "TaskUID", {}, {}},
        {BN::_tc_BinaryData, tk_alias, p + "BinaryData:1.0", "BinaryData", {}, {}},
        {BN::_tc_WStringsList, tk_alias, p + "WStringsList:1.0", "WStringsList", {}, {}},
        {BN::_tc_CustomActionsList,
         tk_alias,
         p + "CustomActionsList:1.0",
         "CustomActionsList",
         {},
         {}},
        {BN::_tc_TasksList, tk_alias, p + "TasksList:1.0", "TasksList", {}, {}},
        {BN::Session::_tc_Workstations,
         tk_alias,
         p + "Session/Workstations:1.0",
         "Workstations",
         {},
         {}},
        {BN::_tc_TaskStatus,
         tk_enum,
         p + "TaskStatus:1.0",
         "TaskStatus",
         {"tsBackup", "tsRestore", "tsSynchronize", "tsRefresh", "tsWaiting", "tsWaitingSchedule",
          "tsSuccess", "tsSuccessSchedule", "tsError", "tsErrorSchedule", "tsStopped",
          "tsQuotaExceeded", "tsAccountExpired", "tsSilentDeclined", "tsSuccessWithErrors",
          "tsSuccessScheduleWithErrors", "tsTotal"},
         {}},
        {BN::_tc_OperationType,
         tk_enum,
         p + "OperationType:1.0",
         "OperationType",
         {"otBackupFull", "otBackupIncremental", "otBackupDifferential", "otRestoreFull",
          "otRestoreIncremental", "otSynchronize"},
         {}},
        {BN::_tc_IDLLogEvent,
         tk_enum,
         p + "IDLLogEvent:1.0",
         "IDLLogEvent",
         {"Emergency", "Alert", "Critical", "Error", "Warning", "Notice", "Info", "Debug"},
         {}},
        {BN::_tc_DiffCondition,
         tk_enum,
         p + "DiffCondition:1.0",
         "DiffCondition",
         {"dcNewer", "dcOlder", "dcSmaller", "dcLarger", "dcNever", "dcAlways", "dcChanged"},
         {}},
        {BN::_tc_CopyMode,
         tk_enum,
         p + "CopyMode:1.0",
         "CopyMode",
         {"cmSimple", "cmCleanDestination"},
         {}},
        {BN::_tc_CopyDirection,
         tk_enum,
         p + "CopyDirection:1.0",
         "CopyDirection",
         {"Direct", "Reverse", "Bidirectional"},
         {}},
        {BN::_tc_StopCondition,
         tk_enum,
         p + "StopCondition:1.0",
         "StopCondition",
         {"scOnCriticalError", "scOnAnyError", "scIgnoreAllErrors"},
         {}},
        {BN::_tc_ActionType,
         tk_enum,
         p + "ActionType:1.0",
         "ActionType",
         {"caRunProgram", "caSendEmail"},
         {}},
        {BN::_tc_ActionRunTime,
         tk_enum,
         p + "ActionRunTime:1.0",
         "ActionRunTime",
         {"caOnOperationStart", "caOnOperationFinish", "caOnOperationFailure"},
         {}},
        {BN::ScheduleProperties::_tc_ScheduleType,
         tk_enum,
         p + "ScheduleProperties/ScheduleType:1.0",
         "ScheduleType",
         {"stOneShot", "stEveryday", "stWeekDays", "stMonthDays", "stPeriod"},
         {}},
        {BN::_tc_CustomAction,
         tk_struct,
         p + "CustomAction:1.0",
         "CustomAction",
         {"type", "wait", "event", "params"},
         {tk_enum, tk_boolean, tk_enum, tk_wstring}},
        {BN::_tc_SMTP,
         tk_struct,
         p + "SMTP:1.0",
         "SMTP",
         {"useNotification", "host", "port", "useAuthentication", "user", "password", "from", "to",
          "subject", "body", "useSSL"},
         {tk_boolean, tk_wstring, tk_ulong, tk_boolean, tk_wstring, tk_wstring, tk_wstring,
          tk_wstring, tk_wstring, tk_wstring, tk_boolean}},
        {BN::_tc_LinkParam,
         tk_struct,
         p + "LinkParam:1.0",
         "LinkParam",
         {"name", "value", "error", "isProtected"},
         {tk_wstring, tk_wstring, tk_wstring, tk_boolean}},
        {BN::Session::_tc_UnknownTask,
         tk_except,
         p + "Session/UnknownTask:1.0",
         "UnknownTask",
         {},
         {}},
        {BN::Server::_tc_AccessDenied,
         tk_except,
         p + "Server/AccessDenied:1.0",
         "AccessDenied",
         {},
         {}},
        {BN::Server::_tc_EmailSendException,
         tk_except,
         p + "Server/EmailSendException:1.0",
         "EmailSendException",
         {"message"},
         {tk_wstring}},
        {BN::_tc_Server, tk_objref, p + "Server:1.0", "Server", {}, {}},
        {BN::_tc_Session, tk_objref, p + "Session:1.0", "Session", {}, {}},
        {BN::_tc_Task, tk_objref, p + "Task:1.0", "Task", {}, {}},
        {BN::_tc_TaskProperties, tk_objref, p + "TaskProperties:1.0", "TaskProperties", {}, {}},
        {BN::_tc_ScheduleProperties,
         tk_objref,
         p + "ScheduleProperties:1.0",
         "ScheduleProperties",
         {},
         {}},
        {BN::_tc_OperationProperties,
         tk_objref,
         p + "OperationProperties:1.0",
         "OperationProperties",
         {},
         {}},
        {BN::_tc_FileFilterProperties,
         tk_objref,
         p + "FileFilterProperties:1.0",
         "FileFilterProperties",
         {},
         {}},
        {BN::_tc_ObjectsFetchingProperties,
         tk_objref,
         p + "ObjectsFetchingProperties:1.0",
         "ObjectsFetchingProperties",
         {},
         {}},
        {BN::_tc_ServerSettings, tk_objref, p + "ServerSettings:1.0", "ServerSettings", {}, {}},
        {BN::_tc_Link, tk_objref, p + "Link:1.0", "Link", {}, {}},
        {BN::_tc_Log, tk_objref, p + "Log:1.0", "Log", {}, {}},
        {BN::_tc_OperationProgress,
         tk_objref,
         p + "OperationProgress:1.0",
         "OperationProgress",
         {},
         {}},
        {BN::_tc_CVServices,
         tk_enum,
         "IDL:BackupNetwork/CVServices:1.0",
         "CVServices",
         {"SERVER_SERVICE", "WORKSTATION_SERVICE"},
         {}},
        {BN::_tc_Launcher, tk_objref, "IDL:BackupNetwork/Launcher:1.0", "Launcher", {}, {}},
    });
}

TEST(ServerTypeCodes, AliasesNameWhatTheyStandFor) {
    struct Row {
        TypeCode_ptr alias;
        TCKind content;
        TCKind element;  // tk_null unless content is a sequence
    };
    const Row rows[] = {
        {BN::_tc_TaskUID, tk_long, tk_null},
        {BN::_tc_BinaryData, tk_sequence, tk_octet},
        {BN::_tc_WStringsList, tk_sequence, tk_wstring},
        {BN::_tc_CustomActionsList, tk_sequence, tk_struct},
        {BN::_tc_TasksList, tk_sequence, tk_objref},
        {BN::Session::_tc_Workstations, tk_sequence, tk_objref},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.alias->id());
        TypeCode_var content = row.alias->content_type();
        ASSERT_EQ(content->kind(), row.content);
        if (row.content != tk_sequence) continue;
        EXPECT_EQ(content->length(), 0u) << "unbounded";
        TypeCode_var element = content->content_type();
        EXPECT_EQ(element->kind(), row.element);
    }
}

// Under the prefix of the rest of the module CVServices would be another
// type: an Any holding one does not extract as the other.
TEST(ServerTypeCodes, ServicesEnumIsNotThePrefixedOne) {
    ORB_ptr orb = LoopbackOrb::Get().orb();
    EnumMemberSeq names;
    names.length(2);
    names[0] = "SERVER_SERVICE";
    names[1] = "WORKSTATION_SERVICE";
    TypeCode_var prefixed =
        orb->create_enum_tc("IDL:tarmelin/BackupNetwork/CVServices:1.0", "CVServices", names);
    EXPECT_FALSE(BN::_tc_CVServices->equivalent(prefixed));

    Object_var object = orb->resolve_initial_references("DynAnyFactory");
    DynamicAny::DynAnyFactory_var factory = DynamicAny::DynAnyFactory::_narrow(object);
    DynamicAny::DynAny_var foreign = factory->create_dyn_any_from_type_code(prefixed);
    Any_var held = foreign->to_any();
    foreign->destroy();
    BN::CVServices service;
    EXPECT_FALSE(held.in() >>= service);

    Any own;
    own <<= BN::WORKSTATION_SERVICE;
    ASSERT_TRUE(own >>= service);
    EXPECT_EQ(service, BN::WORKSTATION_SERVICE);
}

}  // namespace
}  // namespace idltest
