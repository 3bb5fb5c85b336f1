#include "idl/wire_text.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* label;
    std::wstring text;  // as the program holds it: one wchar_t a code point
    std::wstring wire;  // as it travels: UTF-16 units
};

TEST(WireText, SplitsAndJoinsSurrogatePairs) {
    // clang-format off
    const Row rows[] = {
        {"empty", L"", L""},
        {"ASCII", L"Backup", L"Backup"},
        {"Cyrillic", L"\x0420\x0435\x0437\x0435\x0440\x0432", L"\x0420\x0435\x0437\x0435\x0440\x0432"},
        {"CJK", L"\x5907\x4EFD", L"\x5907\x4EFD"},
        {"last BMP character", L"\xFFFF", L"\xFFFF"},
        {"first supplementary", L"\x10000", L"\xD800\xDC00"},
        {"G clef between text", L"a\x1D11E" L"b", L"a\xD834\xDD1E" L"b"},
        {"last code point", L"\x10FFFF", L"\xDBFF\xDFFF"},
        {"two in a row", L"\x1F600\x1F601", L"\xD83D\xDE00\xD83D\xDE01"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(wiretext::ToWire(row.text), row.wire);
        EXPECT_EQ(wiretext::FromWire(row.wire), row.text);
        EXPECT_EQ(wiretext::FromWire(row.wire.c_str()), row.text);
    }
}

// Lone surrogates go out as they are (the user's own bytes that were not
// UTF-8), and come in as U+FFFD: a peer's U+DC9B would otherwise reach the
// terminal as the raw byte 0x9B, the 8-bit CSI.
TEST(WireText, SendsLoneSurrogatesAndReceivesThemReplaced) {
    // clang-format off
    const Row rows[] = {  // text: as received
        {"lone high", L"a\xFFFD", L"a\xD834"},
        {"lone low", L"\xFFFD" L"b", L"\xDD1E" L"b"},
        {"low before high", L"\xFFFD\xFFFD", L"\xDD1E\xD834"},
        {"high then text", L"\xFFFDx", L"\xD834x"},
        {"CSI as an escaped byte", L"A\xFFFD" L"31mB", L"A\xDC9B" L"31mB"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(wiretext::ToWire(row.wire), row.wire);
        EXPECT_EQ(wiretext::FromWire(row.wire), row.text);
    }
}

TEST(WireText, ReplacesWhatIsNoCharacter) {
    const std::wstring beyond(1, static_cast<wchar_t>(0x110000));
    EXPECT_EQ(wiretext::ToWire(L"a" + beyond), L"a\xFFFD");
    EXPECT_EQ(wiretext::FromWire(static_cast<const CORBA::WChar*>(nullptr)), L"");
}

}  // namespace
