// The text of a registry export, as regedit writes it with "Export": the
// format of the per-user registry file. Kept apart from the file itself so
// that the format is read from bytes alone, without the disk.
//
// All functions are pure and may be called from any thread.
#pragma once

#include <map>
#include <string>

namespace CVLib {
namespace system {

// Folds text for the case-insensitive comparison of key paths and value
// names: ASCII, Latin-1, basic Greek and Cyrillic capitals become small
// letters, the same whatever the process's locale; every other character
// stays as it is.
std::wstring FoldCase(const std::wstring& text);

// The text of an export's bytes: UTF-16LE when they begin with its byte
// order mark, UTF-8 otherwise (a leading byte order mark dropped, invalid
// bytes kept as toWstr escapes them).
std::wstring DecodeRegistryText(const std::string& bytes);

// Looks in an export's bytes for the key at keyPath under HKEY_CURRENT_USER.
// True when the text begins with a known header and has a section for the
// key; values then holds the key's readable values by folded name: the text
// of a string value, a dword in decimal. Values of other types are left out.
// values is cleared first.
bool ParseRegistryKey(const std::string& bytes, const std::wstring& keyPath,
                      std::map<std::wstring, std::wstring>& values);

}  // namespace system
}  // namespace CVLib
