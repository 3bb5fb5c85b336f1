// Type codes of module BackupWorkstation: ids without prefix, names,
// enumerators in ordinal order and members in wire order.

#include <gtest/gtest.h>

#include "BackupWorkstation.hh"
#include "typecode_check.h"

namespace idltest {
namespace {

namespace BW = BackupWorkstation;
using namespace CORBA;

TEST(WorkstationTypeCodes, MatchTheProtocol) {
    const std::string p = "IDL:BackupWorkstation/";
    CheckTypeCodes({
        {BW::_tc_IDLErrorID,
         tk_enum,
         p + "IDLErrorID:1.0",
         "IDLErrorID",
         {"SUCCESS", "FAILED", "CRITICAL", "PATH_NOT_FOUND", "ACCESS_DENIED", "HANDLE_EOF",
          "NOT_SUPPORTED", "DISK_FULL", "SESSION_LIMIT", "STOPPED"},
         {}},
        {BW::_tc_Attributes,
         tk_struct,
         p + "Attributes:1.0",
         "Attributes",
         {"Creation", "LastAccess", "Modification", "Size", "Type", "Mask", "CustomAttr"},
         {tk_alias, tk_alias, tk_alias, tk_longlong, tk_ulong, tk_long, tk_wstring}},
        {BW::_tc_IDLFileInfo,
         tk_struct,
         p + "IDLFileInfo:1.0",
         "IDLFileInfo",
         {"Attrs", "Name", "Info"},
         {tk_struct, tk_wstring, tk_wstring}},
        {BW::_tc_List, tk_alias, p + "List:1.0", "List", {}, {}},
        {BW::_tc_Mask, tk_alias, p + "Mask:1.0", "Mask", {}, {}},
        {BW::_tc_FileAccessMode,
         tk_enum,
         p + "FileAccessMode:1.0",
         "FileAccessMode",
         {"Read", "Write"},
         {}},
        {BW::_tc_ISettings,
         tk_struct,
         p + "ISettings:1.0",
         "ISettings",
         {"useIndex", "filters", "progress"},
         {tk_boolean, tk_alias, tk_objref}},
        {BW::_tc_IDLBackupDataRead,
         tk_objref,
         p + "IDLBackupDataRead:1.0",
         "IDLBackupDataRead",
         {},
         {}},
        {BW::_tc_IDLBackupDataWrite,
         tk_objref,
         p + "IDLBackupDataWrite:1.0",
         "IDLBackupDataWrite",
         {},
         {}},
        {BW::_tc_IDLBackupDataCopy,
         tk_objref,
         p + "IDLBackupDataCopy:1.0",
         "IDLBackupDataCopy",
         {},
         {}},
        {BW::_tc_IDLBackupDataBrowse,
         tk_objref,
         p + "IDLBackupDataBrowse:1.0",
         "IDLBackupDataBrowse",
         {},
         {}},
        {BW::_tc_WorkstationSettings,
         tk_objref,
         p + "WorkstationSettings:1.0",
         "WorkstationSettings",
         {},
         {}},
        {BW::_tc_Session, tk_objref, p + "Session:1.0", "Session", {}, {}},
        {BW::_tc_Workstation, tk_objref, p + "Workstation:1.0", "Workstation", {}, {}},
        {BW::Workstation::_tc_AccessDenied,
         tk_except,
         p + "Workstation/AccessDenied:1.0",
         "AccessDenied",
         {},
         {}},
        {BW::Workstation::_tc_SessionLimit,
         tk_except,
         p + "Workstation/SessionLimit:1.0",
         "SessionLimit",
         {},
         {}},
        {BW::Workstation::_tc_BrokenServerSession,
         tk_except,
         p + "Workstation/BrokenServerSession:1.0",
         "BrokenServerSession",
         {},
         {}},
    });
}

// The members that name a type of another module carry that type's id.
TEST(WorkstationTypeCodes, BorrowedTypesKeepTheirIds) {
    struct Row {
        TypeCode_ptr owner;
        ULong member;
        const char* id;
    };
    const Row rows[] = {
        {BW::_tc_Attributes, 0, "IDL:omg.org/TimeBase/TimeT:1.0"},
        {BW::_tc_Attributes, 2, "IDL:omg.org/TimeBase/TimeT:1.0"},
        {BW::_tc_IDLFileInfo, 0, "IDL:BackupWorkstation/Attributes:1.0"},
        {BW::_tc_ISettings, 1, "IDL:tarmelin/BackupNetwork/WStringsList:1.0"},
        {BW::_tc_ISettings, 2, "IDL:tarmelin/BackupNetwork/OperationProgress:1.0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.owner->id()) + " member " + std::to_string(row.member));
        TypeCode_var member = row.owner->member_type(row.member);
        EXPECT_EQ(std::string(member->id()), row.id);
    }
    TypeCode_var listed = BW::_tc_List->content_type();
    TypeCode_var entry = listed->content_type();
    EXPECT_EQ(std::string(entry->id()), "IDL:BackupWorkstation/IDLFileInfo:1.0");
    TypeCode_var masks = BW::_tc_Mask->content_type();
    TypeCode_var flag = masks->content_type();
    EXPECT_EQ(flag->kind(), tk_boolean);
}

}  // namespace
}  // namespace idltest
