// Expectations on a generated type code, written as a table row: kind,
// repository id, name and, for enums, structs and exceptions, the names of
// the enumerators or members in order (with the kinds of struct members).
#pragma once

#include <omniORB4/CORBA.h>

#include <string>
#include <vector>

namespace idltest {

struct TypeCodeRow {
    CORBA::TypeCode_ptr actual;
    CORBA::TCKind kind;
    std::string id;
    std::string name;
    std::vector<std::string> members;        // enumerators or member names
    std::vector<CORBA::TCKind> memberKinds;  // struct members only, may be empty
};

void CheckTypeCodes(const std::vector<TypeCodeRow>& rows);

}  // namespace idltest
