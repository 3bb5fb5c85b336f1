#include "utility/registry_format.h"

#include <cstdint>
#include <vector>

#include "utility/strings.h"

namespace CVLib {
namespace system {
namespace {

const wchar_t* const kHeaders[] = {L"REGEDIT4", L"Windows Registry Editor Version 5.00"};
const wchar_t* const kCurrentUserRoots[] = {L"hkey_current_user", L"hkcu"};

wchar_t FoldChar(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return c + 0x20;
    if (c < 0xC0) return c;
    if (c <= 0xDE && c != 0xD7) return c + 0x20;                  // Latin-1: À..Þ, not ×
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;  // Greek: Α..Ϋ
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;                // Cyrillic: А..Я
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;                // Cyrillic: Ѐ..Џ
    return c;
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r';
}

std::wstring Trim(const std::wstring& s) {
    size_t begin = 0, end = s.size();
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

std::vector<std::wstring> SplitTrimmedLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        lines.push_back(Trim(text.substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

std::wstring StripBackslashes(const std::wstring& path) {
    size_t begin = 0, end = path.size();
    while (begin < end && path[begin] == L'\\') ++begin;
    while (end > begin && path[end - 1] == L'\\') --end;
    return path.substr(begin, end - begin);
}

// True when a section line such as [HKEY_CURRENT_USER\Software\X] names the
// key whose folded path is foldedKey. Sections that delete a key ([-...])
// name none.
bool SectionNamesKey(const std::wstring& line, const std::wstring& foldedKey) {
    const size_t close = line.rfind(L']');
    if (close == std::wstring::npos || close < 1) return false;
    const std::wstring name = line.substr(1, close - 1);
    if (!name.empty() && name[0] == L'-') return false;
    const size_t slash = name.find(L'\\');
    const std::wstring root = FoldCase(name.substr(0, slash));
    bool currentUser = false;
    for (const wchar_t* known : kCurrentUserRoots) currentUser = currentUser || root == known;
    if (!currentUser) return false;
    const std::wstring path = slash == std::wstring::npos ? L"" : name.substr(slash + 1);
    return FoldCase(StripBackslashes(path)) == foldedKey;
}

// Reads the quoted text that starts at line[pos], undoing the \\ and \"
// escapes; a backslash before any other character stands for itself. On
// success pos is just past the closing quote.
bool ReadQuoted(const std::wstring& line, size_t& pos, std::wstring& text) {
    text.clear();
    for (size_t i = pos + 1; i < line.size(); ++i) {
        const wchar_t c = line[i];
        if (c == L'"') {
            pos = i + 1;
            return true;
        }
        if (c == L'\\' && i + 1 < line.size() && (line[i + 1] == L'\\' || line[i + 1] == L'"')) {
            text.push_back(line[++i]);
        } else {
            text.push_back(c);
        }
    }
    return false;
}

bool ParseDword(const std::wstring& digits, std::uint32_t& number) {
    if (digits.empty() || digits.size() > 8) return false;
    number = 0;
    for (wchar_t c : digits) {
        const wchar_t lower = FoldChar(c);
        std::uint32_t digit;
        if (lower >= L'0' && lower <= L'9') {
            digit = lower - L'0';
        } else if (lower >= L'a' && lower <= L'f') {
            digit = lower - L'a' + 10;
        } else {
            return false;
        }
        number = number << 4 | digit;
    }
    return true;
}

enum class ValueKind { kMalformed, kText, kDeleted, kOther };

struct ValueLine {
    ValueKind kind = ValueKind::kMalformed;
    std::wstring name;
    std::wstring text;
    // Binary and other typed data may go on over lines ending in a backslash;
    // a string's data never does.
    bool continues = false;
};

// One line of the form "Name"=data or @=data, the latter for the key's
// default value, whose name is empty.
ValueLine ParseValueLine(const std::wstring& line) {
    ValueLine value;
    value.continues = !line.empty() && line.back() == L'\\';
    size_t pos = 0;
    if (!line.empty() && line[0] == L'@') {
        pos = 1;
    } else if (line.empty() || line[0] != L'"' || !ReadQuoted(line, pos, value.name)) {
        return value;
    }
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos == line.size() || line[pos] != L'=') return value;
    ++pos;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    const std::wstring data = line.substr(pos);

    if (!data.empty() && data[0] == L'"') {
        value.continues = false;
        size_t end = 0;
        if (ReadQuoted(data, end, value.text) && end == data.size()) value.kind = ValueKind::kText;
        return value;
    }
    if (data == L"-") {
        value.kind = ValueKind::kDeleted;
        return value;
    }
    const std::wstring dwordPrefix = L"dword:";
    if (FoldCase(data.substr(0, dwordPrefix.size())) == dwordPrefix) {
        std::uint32_t number;
        if (ParseDword(Trim(data.substr(dwordPrefix.size())), number)) {
            value.kind = ValueKind::kText;
            value.text = std::to_wstring(number);
        }
        return value;
    }
    value.kind = ValueKind::kOther;
    return value;
}

std::wstring DecodeUtf16Le(const std::string& bytes, size_t start) {
    const auto unit = [&](size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    };
    std::wstring text;
    text.reserve(bytes.size() / 2);
    // A last odd byte is a truncated unit and is dropped.
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        char32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
        text.push_back(static_cast<wchar_t>(cp));
    }
    return text;
}

}  // namespace

std::wstring FoldCase(const std::wstring& text) {
    std::wstring folded = text;
    for (wchar_t& c : folded) c = FoldChar(c);
    return folded;
}

std::wstring DecodeRegistryText(const std::string& bytes) {
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) return DecodeUtf16Le(bytes, 2);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return strings::toWstr(bytes.substr(3));
    return strings::toWstr(bytes);
}

bool ParseRegistryKey(const std::string& bytes, const std::wstring& keyPath,
                      std::map<std::wstring, std::wstring>& values) {
    values.clear();
    const std::vector<std::wstring> lines = SplitTrimmedLines(DecodeRegistryText(bytes));
    size_t i = 0;
    while (i < lines.size() && lines[i].empty()) ++i;
    if (i == lines.size()) return false;
    bool known = false;
    for (const wchar_t* header : kHeaders) known = known || lines[i] == header;
    if (!known) return false;

    const std::wstring foldedKey = FoldCase(StripBackslashes(keyPath));
    bool found = false;
    bool inKey = false;
    for (++i; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        if (line.empty() || line[0] == L';') continue;
        if (line[0] == L'[') {
            inKey = SectionNamesKey(line, foldedKey);
            found = found || inKey;
            continue;
        }
        const ValueLine value = ParseValueLine(line);
        if (value.continues) {
            while (i + 1 < lines.size() && !lines[i + 1].empty() && lines[i + 1].back() == L'\\')
                ++i;
            if (i + 1 < lines.size()) ++i;
        }
        if (!inKey) continue;
        // The last line for a name wins, as when regedit imports the file.
        switch (value.kind) {
            case ValueKind::kText:
                values[FoldCase(value.name)] = value.text;
                break;
            case ValueKind::kDeleted:
            case ValueKind::kOther:
                values.erase(FoldCase(value.name));
                break;
            case ValueKind::kMalformed:
                break;
        }
    }
    return found;
}

}  // namespace system
}  // namespace CVLib
