#include "typecode_check.h"

#include <gtest/gtest.h>

namespace idltest {

void CheckTypeCodes(const std::vector<TypeCodeRow>& rows) {
    for (const TypeCodeRow& row : rows) {
        SCOPED_TRACE(row.id);
        CORBA::TypeCode_ptr tc = row.actual;
        ASSERT_EQ(tc->kind(), row.kind);
        EXPECT_EQ(std::string(tc->id()), row.id);
        EXPECT_EQ(std::string(tc->name()), row.name);
        const bool hasMembers = row.kind == CORBA::tk_enum || row.kind == CORBA::tk_struct ||
                                row.kind == CORBA::tk_except;
        if (!hasMembers) {
            EXPECT_TRUE(row.members.empty()) << "table error: members on a type without any";
            continue;
        }
        std::vector<std::string> names;
        for (CORBA::ULong i = 0; i < tc->member_count(); ++i) names.push_back(tc->member_name(i));
        EXPECT_EQ(names, row.members);
        if (row.memberKinds.empty()) continue;
        std::vector<CORBA::TCKind> kinds;
        for (CORBA::ULong i = 0; i < tc->member_count(); ++i) {
            CORBA::TypeCode_var member = tc->member_type(i);
            kinds.push_back(member->kind());
        }
        EXPECT_EQ(kinds, row.memberKinds);
    }
}

}  // namespace idltest
