#include "utility/strings.h"

namespace CVLib {
namespace strings {
namespace {

constexpr wchar_t kEscapeBase = 0xDC00;  // U+DC80..U+DCFF stand for raw bytes 0x80..0xFF

// Length of the valid UTF-8 sequence starting at s[i], or 0 when the bytes
// there do not form one (overlong forms, surrogates and values past U+10FFFF
// included), with its code point in cp.
size_t DecodeOne(const std::string& s, size_t i, char32_t& cp) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    size_t len;
    char32_t min;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

std::wstring toWstr(const std::string& narrow) {
    std::wstring wide;
    wide.reserve(narrow.size());
    for (size_t i = 0; i < narrow.size();) {
        char32_t cp;
        const size_t len = DecodeOne(narrow, i, cp);
        if (len == 0) {
            wide.push_back(
                static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(narrow[i])));
            ++i;
        } else {
            wide.push_back(static_cast<wchar_t>(cp));
            i += len;
        }
    }
    return wide;
}

std::wstring toWstr(const char* narrow) {
    return narrow ? toWstr(std::string(narrow)) : std::wstring();
}

bool IsUtf8(const std::string& text) {
    for (const wchar_t c : toWstr(text))
        if (static_cast<char32_t>(c) >= 0xDC80 && static_cast<char32_t>(c) <= 0xDCFF) return false;
    return true;
}

void AppendUtf8(std::string& out, wchar_t c) {
    auto cp = static_cast<char32_t>(c);
    if (cp >= 0xDC80 && cp <= 0xDCFF) {
        out.push_back(static_cast<char>(cp - kEscapeBase));
        return;
    }
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string toAstr(const std::wstring& wide) {
    std::string narrow;
    narrow.reserve(wide.size());
    for (wchar_t c : wide) AppendUtf8(narrow, c);
    return narrow;
}

std::string toAstr(const wchar_t* wide) {
    return wide ? toAstr(std::wstring(wide)) : std::string();
}

}  // namespace strings
}  // namespace CVLib
