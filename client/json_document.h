// The JSON mode's document writer: one object on the console, written as the
// run goes, so that a listing or a log of any length never waits in memory.
// Its members are sections (arrays of entries, each section written once and
// in one piece) and single members; End closes whatever is open and ends the
// document with a line break. It writes the document's shape and nothing
// else: what goes in, and the exit code, are the reporters' to decide.
#pragma once

#include <exception>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>

// A value as one line of JSON; text that is not UTF-8 becomes U+FFFD.
std::string DumpJson(const nlohmann::json& value);

// The "error" member of a failure: its one-line text (FailureLine), and for a
// CORBA exception under it its name and details.
nlohmann::json DescribeFailure(std::exception_ptr failure);

class JsonDocument {
public:
    explicit JsonDocument(std::wostream& out) : out(out) {}
    JsonDocument(const JsonDocument&) = delete;
    JsonDocument& operator=(const JsonDocument&) = delete;

    // Opens a section, which stays open until another member is written:
    // a section with no entries is an empty array, and a section begun
    // again while it is open goes on.
    void Begin(const char* section);
    // One whole entry of a section, which it begins if need be.
    void Entry(const char* section, const nlohmann::json& entry);
    // An entry whose last member, listKey, is an array written item by item
    // (Item) until CloseEntry.
    void OpenEntry(const char* section, const nlohmann::json& head, const char* listKey);
    void Item(const nlohmann::json& item);
    void CloseEntry();
    // A single member of the document.
    void Member(const char* key, const nlohmann::json& value);
    // Closes whatever is open, ends the document and flushes it.
    void End();

private:
    void Write(const std::string& text);
    void Key(const char* key);
    // Begins the section and writes what comes before its next entry.
    void Next(const char* section);
    void CloseOpen();

    std::wostream& out;
    bool started = false;  // "{" written
    std::string section;   // the open section, if any
    bool firstInSection = true;
    bool entryOpen = false;  // an OpenEntry's array is open
    bool firstItem = true;   // in the open array
};
