// The checked access to one JSON object of a scenario: every getter names the
// field's full path ("tasks[2].status") in its ScenarioError, and unknown
// fields are refused so that a misspelt one does not silently fall back to
// its default.
//
// A FieldReader refers to the JSON it reads; the JSON must outlive it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace bnsim {

class FieldReader {
public:
    // Throws unless `value` is an object whose keys are all in `known`.
    FieldReader(const nlohmann::json& value, std::string file, std::string path,
                std::initializer_list<const char*> known);

    bool Has(const char* key) const { return object_.contains(key); }
    bool IsText(const char* key) const { return Has(key) && object_.at(key).is_string(); }
    // The path of a field below this object: "tasks[2]" + "status".
    std::string PathOf(const std::string& key) const;
    const std::string& file() const { return file_; }

    [[noreturn]] void Fail(const std::string& key, const std::string& problem) const;

    std::string Text(const char* key, const std::string& fallback) const;
    std::string RequiredText(const char* key) const;
    // Wide text: a UTF-8 string, or an array of UTF-16 code units as they
    // travel, which may hold what JSON text cannot, such as lone surrogates.
    std::wstring WideText(const char* key, const std::wstring& fallback) const;
    bool Flag(const char* key, bool fallback) const;
    // An integer within [low, high].
    std::int64_t Integer(const char* key, std::int64_t fallback, std::int64_t low,
                         std::int64_t high) const;
    std::int64_t RequiredInteger(const char* key, std::int64_t low, std::int64_t high) const;
    std::uint64_t Unsigned64(const char* key, std::uint64_t fallback) const;
    // The field's JSON when present and of the given type ("array", "object").
    const nlohmann::json* Optional(const char* key, nlohmann::json::value_t type,
                                   const char* typeName) const;

private:
    const nlohmann::json& object_;
    std::string file_;
    std::string path_;
};

// Every path joins as "a.b" or "a[3]"; the root path is empty.
std::string JoinPath(const std::string& path, const std::string& key);
std::string IndexPath(const std::string& path, std::size_t index);

[[noreturn]] void FailAt(const std::string& file, const std::string& path,
                         const std::string& problem);

// Wide text at a path, as FieldReader::WideText reads a field.
std::wstring WideTextAt(const nlohmann::json& value, const std::string& file,
                        const std::string& path);

}  // namespace bnsim
