// The per-user registry, kept in a file in regedit export format at
// ${XDG_CONFIG_HOME:-$HOME/.config}/cvcc/registry.reg (see docs/registry.md).
//
// The file is read once, at Open; the object keeps no file open. Key paths
// and value names compare case-insensitively. Anything that cannot be read
// (a missing, unreadable, malformed or oversized file) counts as absent:
// Open or Read answers false; nothing throws.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace CVLib {
namespace system {

// Predefined roots, with the values a Windows registry gives them.
using HKEY = std::uint32_t;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;

class CRegistry {
public:
    explicit CRegistry(HKEY root);
    ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    // Opens the key at path under the root (for example
    // L"SOFTWARE\\Tarmelin\\Corvane 7\\Configuration\\Server Connection Settings").
    bool Open(const std::wstring& path);
    // Fills value with the text of the named value of the open key: a string
    // value's text, or a dword value in decimal. False when no key is open,
    // the value is missing or of another type; value is then unchanged.
    bool Read(const std::wstring& name, std::wstring& value);
    void Close();

    // Where the file of HKEY_CURRENT_USER lives, from the environment.
    static std::string UserFilePath();

private:
    HKEY root_;
    bool open_ = false;
    // The open key's values, by lower-cased name: the value's text.
    std::map<std::wstring, std::wstring> values_;
};

}  // namespace system
}  // namespace CVLib
