#include "utility/registry_format.h"

#include <gtest/gtest.h>

#include <optional>

namespace CVLib {
namespace system {
namespace {

const std::wstring kKey =
    L"SOFTWARE\\Tarmelin\\Corvane 7\\Configuration\\Server Connection Settings";
const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kPath =
    "SOFTWARE\\Tarmelin\\Corvane 7\\Configuration\\Server Connection Settings";
const std::string kSection = "[HKEY_CURRENT_USER\\" + kPath + "]\r\n";

// A file with the usual header and the key's section holding body.
std::string InKey(const std::string& body) {
    return kHeader + kSection + body;
}

// The bytes of a literal, embedded nuls included.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

// UTF-16LE bytes of text, with or without the byte order mark.
std::string Utf16Le(const std::u16string& text, bool withBom) {
    std::string bytes = withBom ? "\xFF\xFE" : "";
    for (char16_t unit : text)
        bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

const std::u16string kWideFile =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"[HKEY_CURRENT_USER\\SOFTWARE\\Tarmelin\\Corvane 7\\Configuration\\Server Connection "
    u"Settings]\r\n"
    u"\"CoordPort\"=\"1755\"\r\n"
    u"\"\u0418\u043C\u044F\"=\"\u4EFB\u52A1 \U0001D11E\"\r\n";

TEST(RegistryFormatTest, FindsKeysAndValues) {
    struct Row {
        const char* label;
        std::string bytes;
        std::wstring name;
        bool keyFound;
        std::optional<std::wstring> value;  // nullopt: the value is not readable
    };
    // clang-format off
    const Row rows[] = {
        {"version 5 header", InKey("\"CoordPort\"=\"1755\"\r\n"), L"CoordPort", true, L"1755"},
        {"REGEDIT4 header", "REGEDIT4\n\n" + kSection + "\"CoordPort\"=\"1755\"\n", L"CoordPort", true, L"1755"},
        {"no header", kSection + "\"CoordPort\"=\"1755\"\r\n", L"CoordPort", false, {}},
        {"text before the header", "x\r\n" + InKey("\"CoordPort\"=\"1755\"\r\n"), L"CoordPort", false, {}},
        {"UTF-8 byte order mark", "\xEF\xBB\xBF" + InKey("\"CoordPort\"=\"1755\"\r\n"), L"CoordPort", true, L"1755"},
        {"UTF-16LE", Utf16Le(kWideFile, true), L"CoordPort", true, L"1755"},
        {"UTF-16LE, text outside ASCII", Utf16Le(kWideFile, true), L"\u0438\u043C\u044F", true, L"\u4EFB\u52A1 \U0001D11E"},
        {"UTF-16LE without byte order mark", Utf16Le(kWideFile, false), L"CoordPort", false, {}},
        {"HKCU abbreviation", kHeader + "[HKCU\\" + kPath + "]\r\n\"CoordPort\"=\"1755\"\r\n", L"CoordPort", true, L"1755"},
        {"key in other case", kHeader + "[hkey_current_user\\software\\TARMELIN\\corvane 7\\configuration\\SERVER "
         "connection settings]\r\n\"CoordPort\"=\"1755\"\r\n", L"CoordPort", true, L"1755"},
        {"value name in other case", InKey("\"COORDPORT\"=\"1755\"\r\n"), L"coordport", true, L"1755"},
        {"Cyrillic name in other case", InKey("\"\xD0\x9F\xD0\x9E\xD0\xA0\xD0\xA2\"=\"1\"\r\n"), L"\u043F\u043E\u0440\u0442", true, L"1"},
        {"other root", kHeader + "[HKEY_LOCAL_MACHINE\\" + kPath + "]\r\n\"A\"=\"1\"\r\n", L"A", false, {}},
        {"subkey only", kHeader + "[HKEY_CURRENT_USER\\" + kPath + "\\Sub]\r\n\"CoordPort\"=\"1\"\r\n", L"CoordPort", false, {}},
        {"value of a later key", InKey("\"A\"=\"1\"\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n\"CoordPort\"=\"2\"\r\n"),
         L"CoordPort", true, {}},
        {"deleted key", kHeader + "[-HKEY_CURRENT_USER\\" + kPath + "]\r\n\"A\"=\"1\"\r\n", L"A", false, {}},
        {"key without values", InKey(""), L"CoordPort", true, {}},
        {"escapes", InKey("\"Dir\"=\"C:\\\\Data \\\"new\\\"\"\r\n"), L"Dir", true, L"C:\\Data \"new\""},
        {"dword", InKey("\"CoordPort\"=dword:000006db\r\n"), L"CoordPort", true, L"1755"},
        {"largest dword", InKey("\"N\"=dword:ffffffff\r\n"), L"N", true, L"4294967295"},
        {"dword too long", InKey("\"N\"=dword:1000000000\r\n"), L"N", true, {}},
        {"dword not hex", InKey("\"N\"=dword:12g4\r\n"), L"N", true, {}},
        {"default value", InKey("@=\"main\"\r\n"), L"", true, L"main"},
        {"spaces around =", InKey("  \"CoordPort\" \t=  \"1755\"  \r\n"), L"CoordPort", true, L"1755"},
        {"LF line ends", kHeader + kSection + "\"CoordPort\"=\"1755\"", L"CoordPort", true, L"1755"},
        {"comment", InKey("; \"CoordPort\"=\"1\"\r\n"), L"CoordPort", true, {}},
        {"hex value", InKey("\"B\"=hex:01,02\r\n"), L"B", true, {}},
        {"value after continued hex", InKey("\"B\"=hex(2):25,00,\\\r\n  22,00,43,00,\\\r\n  00,00\r\n"
         "\"CoordPort\"=\"1755\"\r\n"), L"CoordPort", true, L"1755"},
        {"continuation is not a value", InKey("\"B\"=hex:01,\\\r\n  \"CoordPort\"=\"1\"\r\n"), L"CoordPort", true, {}},
        {"later line wins", InKey("\"A\"=\"1\"\r\n\"A\"=\"2\"\r\n"), L"A", true, L"2"},
        {"deleted value", InKey("\"A\"=\"1\"\r\n\"A\"=-\r\n"), L"A", true, {}},
        {"text after closing quote", InKey("\"A\"=\"1\"x\r\n\"B\"=\"2\"\r\n"), L"A", true, {}},
        {"line after malformed one", InKey("\"A\"=\"1\"x\r\n\"B\"=\"2\"\r\n"), L"B", true, L"2"},
        {"name without =", InKey("\"A\" \"1\"\r\n"), L"A", true, {}},
        {"unclosed string at end", InKey("\"A\"=\"1\r\n\"B\"=\"2"), L"B", true, {}},
        {"invalid UTF-8 kept as escapes", InKey("\"A\"=\"x\xFF\"\r\n"), L"A", true, L"x\xDCFF"},
        {"nul bytes", InKey(Bytes("\"A\"=\"a\0b\"\r\n")), L"A", true, std::wstring(L"a\0b", 3)},
        {"binary garbage", Bytes("\x7F" "ELF\x02\x01\x01\0\0\xFF\xFE\n["), L"A", false, {}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::map<std::wstring, std::wstring> values;
        ASSERT_EQ(ParseRegistryKey(row.bytes, kKey, values), row.keyFound);
        const auto found = values.find(FoldCase(row.name));
        if (row.value) {
            ASSERT_NE(found, values.end());
            EXPECT_EQ(found->second, *row.value);
        } else {
            EXPECT_EQ(found, values.end());
        }
    }
}

TEST(RegistryFormatTest, FoldsCaseWithoutLocale) {
    EXPECT_EQ(FoldCase(L"AZaz09 \u00C0\u00DE\u00D7\u0391\u03A9\u0410\u042F\u0401\u4EFB"),
              L"azaz09 \u00E0\u00FE\u00D7\u03B1\u03C9\u0430\u044F\u0451\u4EFB");
}

}  // namespace
}  // namespace system
}  // namespace CVLib
