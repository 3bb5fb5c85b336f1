#include "sim/sim_object.h"

#include "idl/wire_text.h"
#include "utility/strings.h"

namespace bnsim {

using nlohmann::json;

std::string Utf8(const CORBA::WChar* wire) {
    return CVLib::strings::toAstr(wiretext::FromWire(wire));
}

CORBA::WChar* WireDup(const std::wstring& text) {
    return CORBA::wstring_dup(wiretext::ToWire(text).c_str());
}

CORBA::WChar* WireDupUtf8(const std::string& utf8) {
    return WireDup(CVLib::strings::toWstr(utf8));
}

json ListToJson(const BackupNetwork::WStringsList& list) {
    json texts = json::array();
    for (CORBA::ULong i = 0; i < list.length(); ++i) texts.push_back(Utf8(list[i]));
    return texts;
}

BackupNetwork::WStringsList* JsonToList(const json& texts) {
    auto* list = new BackupNetwork::WStringsList;
    list->length(static_cast<CORBA::ULong>(texts.size()));
    for (CORBA::ULong i = 0; i < list->length(); ++i)
        (*list)[i] = WireDupUtf8(texts[i].get<std::string>());
    return list;
}

namespace {

std::string Getter(const char* attr) {
    return "_get_" + std::string(attr);
}
std::string Setter(const char* attr) {
    return "_set_" + std::string(attr);
}

}  // namespace

CORBA::Boolean SimObject::GetFlag(const char* attr) {
    auto lock = Enter(Getter(attr).c_str());
    return attrs_.value(attr, false);
}

void SimObject::SetFlag(const char* attr, CORBA::Boolean value) {
    auto lock = Enter(Setter(attr).c_str(), {{"value", static_cast<bool>(value)}});
    attrs_[attr] = static_cast<bool>(value);
}

CORBA::ULong SimObject::GetULong(const char* attr) {
    auto lock = Enter(Getter(attr).c_str());
    return attrs_.value(attr, CORBA::ULong(0));
}

void SimObject::SetULong(const char* attr, CORBA::ULong value) {
    auto lock = Enter(Setter(attr).c_str(), {{"value", value}});
    attrs_[attr] = value;
}

CORBA::ULongLong SimObject::GetULongLong(const char* attr) {
    auto lock = Enter(Getter(attr).c_str());
    return attrs_.value(attr, CORBA::ULongLong(0));
}

void SimObject::SetULongLong(const char* attr, CORBA::ULongLong value) {
    auto lock = Enter(Setter(attr).c_str(), {{"value", value}});
    attrs_[attr] = value;
}

CORBA::WChar* SimObject::GetText(const char* attr) {
    auto lock = Enter(Getter(attr).c_str());
    return WireDupUtf8(attrs_.value(attr, std::string()));
}

void SimObject::SetText(const char* attr, const CORBA::WChar* value) {
    auto lock = Enter(Setter(attr).c_str(), {{"value", Utf8(value)}});
    attrs_[attr] = Utf8(value);
}

BackupNetwork::WStringsList* SimObject::GetList(const char* attr) {
    auto lock = Enter(Getter(attr).c_str());
    return JsonToList(attrs_.value(attr, json::array()));
}

void SimObject::SetList(const char* attr, const BackupNetwork::WStringsList& value) {
    auto lock = Enter(Setter(attr).c_str(), {{"value", ListToJson(value)}});
    attrs_[attr] = ListToJson(value);
}

}  // namespace bnsim
