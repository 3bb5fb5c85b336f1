#include "utility/strings.h"

#include <gtest/gtest.h>

namespace CVLib {
namespace strings {
namespace {

TEST(StringsTest, ValidTextRoundTrips) {
    struct Row {
        const char* label;
        std::string narrow;
        std::wstring wide;
    };
    const Row rows[] = {
        {"empty", "", L""},
        {"ascii", "Server 7.4.4", L"Server 7.4.4"},
        {"cyrillic", "\xD0\x97\xD0\xB0\xD0\xB4\xD0\xB0\xD1\x87\xD0\xB0",
         L"\u0417\u0430\u0434\u0430\u0447\u0430"},
        {"cjk", "\xE4\xBB\xBB\xE5\x8A\xA1", L"\u4EFB\u52A1"},
        {"outside the BMP", "\xF0\x9D\x84\x9E", L"\U0001D11E"},
        {"embedded nul", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(toWstr(row.narrow), row.wide);
        EXPECT_EQ(toAstr(row.wide), row.narrow);
    }
}

TEST(StringsTest, InvalidBytesAreEscapedAndRestored) {
    struct Row {
        const char* label;
        std::string narrow;
        std::wstring wide;
    };
    const Row rows[] = {
        {"lone continuation byte", "\x80", L"\xDC80"},
        {"byte never in UTF-8",
         "a\xFF"
         "b",
         L"a\xDCFF"
         L"b"},
        {"truncated sequence", "\xE4\xBB", L"\xDCE4\xDCBB"},
        {"truncated before ascii", "\xD0z", L"\xDCD0z"},
        {"overlong slash", "\xC0\xAF", L"\xDCC0\xDCAF"},
        {"encoded surrogate", "\xED\xA0\x80", L"\xDCED\xDCA0\xDC80"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", L"\xDCF4\xDC90\xDC80\xDC80"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(toWstr(row.narrow), row.wide);
        EXPECT_EQ(toAstr(toWstr(row.narrow)), row.narrow);
    }
}

TEST(StringsTest, UnencodableWideCharactersBecomeReplacementCharacter) {
    const std::string replacement = "\xEF\xBF\xBD";
    struct Row {
        const char* label;
        std::wstring wide;
        std::string narrow;
    };
    const Row rows[] = {
        {"high surrogate", std::wstring(1, static_cast<wchar_t>(0xD800)), replacement},
        {"low surrogate below the escapes", std::wstring(1, static_cast<wchar_t>(0xDC7F)),
         replacement},
        {"past U+10FFFF", L"x" + std::wstring(1, static_cast<wchar_t>(0x110000)),
         "x" + replacement},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(toAstr(row.wide), row.narrow);
    }
}

TEST(StringsTest, NullPointersGiveEmptyStrings) {
    EXPECT_EQ(toWstr(static_cast<const char*>(nullptr)), L"");
    EXPECT_EQ(toAstr(static_cast<const wchar_t*>(nullptr)), "");
}

}  // namespace
}  // namespace strings
}  // namespace CVLib
