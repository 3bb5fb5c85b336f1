// The JSON mode's document: one object on the console, written as the run
// goes, so that a listing or a log of any length never waits in memory.
// Its members are sections (arrays of entries, each section written once and
// in one piece) and single members; a failure, an interruption or the end of
// the run closes whatever is open and ends the document with a line break.
#pragma once

#include <exception>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>

// A value as one line of JSON; text that is not UTF-8 becomes U+FFFD.
std::string DumpJson(const nlohmann::json& value);

// The "error" member of a failure: the message the console prints, and for
// a CORBA exception under it its name and details.
nlohmann::json DescribeFailure(std::exception_ptr failure);

class JsonReport {
public:
    explicit JsonReport(std::wostream& out) : out(out) {}
    JsonReport(const JsonReport&) = delete;
    JsonReport& operator=(const JsonReport&) = delete;

    // Opens a section, which stays open until another member is written:
    // a section with no entries is an empty array, and a section begun
    // again while it is open goes on.
    void Begin(const char* section);
    // One whole entry of a section, which it begins if need be.
    void Entry(const char* section, const nlohmann::json& entry);
    // An entry that stands for its task until Entry gives the final one: a
    // run that ends before that writes it as it is.
    void Hold(const char* section, const nlohmann::json& entry);
    // An entry whose last member, listKey, is an array written item by item
    // (Item) until CloseEntry.
    void OpenEntry(const char* section, const nlohmann::json& head, const char* listKey);
    void Item(const nlohmann::json& item);
    void CloseEntry();
    // A single member of the document.
    void Member(const char* key, const nlohmann::json& value);

    // Something asked for was not done as asked: the run exits with 2.
    void Incomplete() { incomplete = true; }

    // Ends the document with the failure that ended the run (exit 1), with
    // the signal that interrupted its wait (128 and the signal's number), or
    // as it is (0, or 2 when incomplete); answers the exit code.
    int Finish(std::exception_ptr failure);

private:
    void Write(const std::string& text);
    void Key(const char* key);
    // Begins the section and writes what comes before its next entry.
    void Next(const char* section);
    void WriteHeld();
    void CloseOpen();

    std::wostream& out;
    bool started = false;  // "{" written
    std::string section;   // the open section, if any
    bool firstInSection = true;
    bool entryOpen = false;  // an OpenEntry's array is open
    bool firstItem = true;   // in the open array
    const char* heldSection = nullptr;
    nlohmann::json held;
    bool incomplete = false;
};
