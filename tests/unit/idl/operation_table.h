// Checks the operations of one interface against a table written from the
// protocol's description: each row names an operation as it travels, whether
// it is oneway, the type codes of its result and parameters with their modes,
// and a call of it through the generated stub.
//
// The target is a dynamic servant that knows nothing of the generated code:
// it reads each request's arguments with the row's type codes, answers with
// a result and out values of the row's types, and notes the operation name
// and whether a reply was expected. A stub generated from a wrong IDL then
// fails: a misspelled name finds no row, a parameter of the wrong type, mode
// or place does not decode (or the reply does not), and a oneway that should
// not be one (or the reverse) shows in the reply flag.
#pragma once

#include <omniORB4/CORBA.h>

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

namespace idltest {

enum class Call { kTwoWay, kOneway };

struct Param {
    CORBA::Flags mode;  // CORBA::ARG_IN, ARG_OUT or ARG_INOUT
    CORBA::TypeCode_var type;
};

struct OperationRow {
    std::string operation;
    Call call;
    CORBA::TypeCode_var result;  // nil for void
    std::vector<Param> params;
    std::function<void(CORBA::Object_ptr)> invoke;
};

// Runs every row against one dynamic servant posing as typeId; reports
// mismatches as gtest failures.
void CheckOperations(const char* typeId, const std::vector<OperationRow>& rows);

// Type codes of the shapes that travel, each returned owned (a table keeps it
// in a _var). An enumerator travels as its ordinal, an unsigned long, and any
// interface as an object reference, whatever its type.
namespace wire {
CORBA::TypeCode_ptr Void();  // a nil type code: no result
CORBA::TypeCode_ptr WString();
CORBA::TypeCode_ptr Long();
CORBA::TypeCode_ptr ULong();
CORBA::TypeCode_ptr Enum();
CORBA::TypeCode_ptr Object();
CORBA::TypeCode_ptr Sequence(CORBA::TypeCode_ptr element);  // consumes element
}  // namespace wire

inline Param In(CORBA::TypeCode_ptr type) {
    return {CORBA::ARG_IN, type};
}

// Typed access to the target of a row.
template <class Interface>
typename Interface::_var_type As(CORBA::Object_ptr target) {
    return Interface::_unchecked_narrow(target);
}

// Frees what a stub returned, whatever its type.
inline void Discard(CORBA::WChar* text) {
    CORBA::wstring_free(text);
}
inline void Discard(char* text) {
    CORBA::string_free(text);
}
template <class T>
void Discard(T* value) {
    if constexpr (std::is_base_of_v<CORBA::Object, T>) {
        CORBA::release(value);
    } else {
        delete value;
    }
}
template <class T>
void Discard(const T&) {}

}  // namespace idltest
