// An ORB argument vector in the form the wrapper builds it: wide texts and,
// beside them, one pointer per text for the ORB's argv. No program name
// stands before the first option.
//
// The pointers point into texts that this object owns; they stay valid until
// Clear or the end of this object. Copying would leave them pointing into
// the original, so it is forbidden.
#pragma once

#include <cstddef>
#include <list>
#include <string>
#include <vector>

class OrbArguments {
public:
    OrbArguments() = default;
    OrbArguments(const OrbArguments&) = delete;
    OrbArguments& operator=(const OrbArguments&) = delete;

    // Appends the option and, when value is not null, the value.
    void Add(const wchar_t* option, const wchar_t* value);
    void Clear();

    int Count() const { return static_cast<int>(argv.size()); }
    wchar_t** Vector() { return argv.empty() ? nullptr : argv.data(); }
    // The texts in the order added, for reading.
    std::vector<std::wstring> Texts() const;

private:
    // A list, not a vector: its elements never move, so the pointers in
    // argv stay valid while more texts are added.
    std::list<std::wstring> texts;
    std::vector<wchar_t*> argv;
};
