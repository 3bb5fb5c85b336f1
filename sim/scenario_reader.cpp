#include "sim/scenario_reader.h"

#include "sim/scenario.h"
#include "utility/strings.h"

namespace bnsim {

using nlohmann::json;

std::string JoinPath(const std::string& path, const std::string& key) {
    return path.empty() ? key : path + "." + key;
}

std::string IndexPath(const std::string& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

void FailAt(const std::string& file, const std::string& path, const std::string& problem) {
    throw ScenarioError(file + ": " + (path.empty() ? "" : path + ": ") + problem);
}

FieldReader::FieldReader(const json& value, std::string file, std::string path,
                         std::initializer_list<const char*> known)
    : object_(value), file_(std::move(file)), path_(std::move(path)) {
    if (!object_.is_object()) FailAt(file_, path_, "must be an object");
    for (const auto& item : object_.items()) {
        bool isKnown = false;
        for (const char* k : known) isKnown = isKnown || item.key() == k;
        if (!isKnown) Fail(item.key(), "unknown field");
    }
}

std::string FieldReader::PathOf(const std::string& key) const {
    return JoinPath(path_, key);
}

void FieldReader::Fail(const std::string& key, const std::string& problem) const {
    FailAt(file_, PathOf(key), problem);
}

std::string FieldReader::Text(const char* key, const std::string& fallback) const {
    if (!Has(key)) return fallback;
    const json& v = object_.at(key);
    if (!v.is_string()) Fail(key, "must be a string");
    return v.get<std::string>();
}

std::wstring WideTextAt(const json& v, const std::string& file, const std::string& path) {
    if (v.is_string()) return CVLib::strings::toWstr(v.get<std::string>());
    const char* problem = "must be a string or an array of UTF-16 code units";
    if (!v.is_array()) FailAt(file, path, problem);
    std::wstring units;
    for (const json& unit : v) {
        if (!unit.is_number_unsigned() || unit.get<std::uint64_t>() > 0xFFFF)
            FailAt(file, path, problem);
        units.push_back(static_cast<wchar_t>(unit.get<std::uint64_t>()));
    }
    return units;
}

std::wstring FieldReader::WideText(const char* key, const std::wstring& fallback) const {
    return Has(key) ? WideTextAt(object_.at(key), file_, PathOf(key)) : fallback;
}

std::string FieldReader::RequiredText(const char* key) const {
    if (!Has(key)) Fail(key, "missing");
    return Text(key, "");
}

bool FieldReader::Flag(const char* key, bool fallback) const {
    if (!Has(key)) return fallback;
    const json& v = object_.at(key);
    if (!v.is_boolean()) Fail(key, "must be true or false");
    return v.get<bool>();
}

std::int64_t FieldReader::Integer(const char* key, std::int64_t fallback, std::int64_t low,
                                  std::int64_t high) const {
    if (!Has(key)) return fallback;
    const json& v = object_.at(key);
    const std::string range = " from " + std::to_string(low) + " to " + std::to_string(high);
    if (!v.is_number_integer()) Fail(key, "must be an integer" + range);
    if (v.is_number_unsigned() && v.get<std::uint64_t>() > static_cast<std::uint64_t>(high))
        Fail(key, "must be an integer" + range);
    const std::int64_t n = v.get<std::int64_t>();
    if (n < low || n > high) Fail(key, "must be an integer" + range);
    return n;
}

std::int64_t FieldReader::RequiredInteger(const char* key, std::int64_t low,
                                          std::int64_t high) const {
    if (!Has(key)) Fail(key, "missing");
    return Integer(key, 0, low, high);
}

std::uint64_t FieldReader::Unsigned64(const char* key, std::uint64_t fallback) const {
    if (!Has(key)) return fallback;
    const json& v = object_.at(key);
    if (!v.is_number_integer() || (!v.is_number_unsigned() && v.get<std::int64_t>() < 0))
        Fail(key, "must be an integer from 0 to 18446744073709551615");
    return v.get<std::uint64_t>();
}

const json* FieldReader::Optional(const char* key, json::value_t type, const char* typeName) const {
    if (!Has(key)) return nullptr;
    const json& v = object_.at(key);
    if (v.type() != type) Fail(key, std::string("must be ") + typeName);
    return &v;
}

}  // namespace bnsim
