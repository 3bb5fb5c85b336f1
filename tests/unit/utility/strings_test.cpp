#include "utility/strings.h"

#include <gtest/gtest.h>

namespace CVLib {
namespace strings {
namespace {

TEST(StringsTest, ConversionsBothWays) {
    struct Row {
        const char* label;
        std::string narrow;
        std::wstring wide;
        bool roundTrip;  // false: the wide text has no UTF-8 form and turns into narrow
    };
    const std::string fffd = "\xEF\xBF\xBD";
    // clang-format off
    const Row rows[] = {
        {"empty", "", L"", true},
        {"ascii", "Server 7.4.4", L"Server 7.4.4", true},
        {"cyrillic", "\xD0\x97\xD0\xB0\xD0\xB4\xD0\xB0\xD1\x87\xD0\xB0", L"\u0417\u0430\u0434\u0430\u0447\u0430", true},
        {"cjk", "\xE4\xBB\xBB\xE5\x8A\xA1", L"\u4EFB\u52A1", true},
        {"outside the BMP", "\xF0\x9D\x84\x9E", L"\U0001D11E", true},
        {"embedded nul", std::string("a\0b", 3), std::wstring(L"a\0b", 3), true},
        // Bytes that are no UTF-8 are escaped one each and restored.
        {"lone continuation byte", "\x80", L"\xDC80", true},
        {"byte never in UTF-8", "a\xFF" "b", L"a\xDCFF" L"b", true},
        {"truncated sequence", "\xE4\xBB", L"\xDCE4\xDCBB", true},
        {"truncated before ascii", "\xD0z", L"\xDCD0z", true},
        {"overlong slash", "\xC0\xAF", L"\xDCC0\xDCAF", true},
        {"encoded surrogate", "\xED\xA0\x80", L"\xDCED\xDCA0\xDC80", true},
        {"past U+10FFFF", "\xF4\x90\x80\x80", L"\xDCF4\xDC90\xDC80\xDC80", true},
        {"high surrogate", fffd, std::wstring(1, wchar_t(0xD800)), false},
        {"low surrogate below the escapes", fffd, std::wstring(1, wchar_t(0xDC7F)), false},
        {"wide past U+10FFFF", "x" + fffd, L"x" + std::wstring(1, wchar_t(0x110000)), false},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(toAstr(row.wide), row.narrow);
        if (row.roundTrip) {
            EXPECT_EQ(toWstr(row.narrow), row.wide);
        }
    }
    EXPECT_EQ(toWstr(static_cast<const char*>(nullptr)), L"");
    EXPECT_EQ(toAstr(static_cast<const wchar_t*>(nullptr)), "");
}

}  // namespace
}  // namespace strings
}  // namespace CVLib
