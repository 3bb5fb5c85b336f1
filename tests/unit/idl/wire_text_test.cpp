#include "idl/wire_text.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* label;
    std::wstring text;            // as the program holds it: one wchar_t a code point
    std::wstring wire;            // as it travels: UTF-16 units
    std::wstring received = L"";  // as it comes back, when not text
};

TEST(WireText, SplitsAndJoinsSurrogatePairsAndReplacesLoneOnesComingIn) {
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
        // Lone surrogates go out as they are (the user's own bytes that were
        // not UTF-8) and come in as U+FFFD: a peer's U+DC9B would otherwise
        // reach the terminal as the raw byte 0x9B, the 8-bit CSI.
        {"lone high", L"a\xD834", L"a\xD834", L"a\xFFFD"},
        {"lone low", L"\xDD1E" L"b", L"\xDD1E" L"b", L"\xFFFD" L"b"},
        {"low before high", L"\xDD1E\xD834", L"\xDD1E\xD834", L"\xFFFD\xFFFD"},
        {"high then text", L"\xD834x", L"\xD834x", L"\xFFFDx"},
        {"CSI as an escaped byte", L"A\xDC9B" L"31mB", L"A\xDC9B" L"31mB", L"A\xFFFD" L"31mB"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(wiretext::ToWire(row.text), row.wire);
        const std::wstring received = row.received.empty() ? row.text : row.received;
        EXPECT_EQ(wiretext::FromWire(row.wire), received);
        EXPECT_EQ(wiretext::FromWire(row.wire.c_str()), received);
    }
}

TEST(WireText, ReplacesWhatIsNoCharacter) {
    const std::wstring beyond(1, static_cast<wchar_t>(0x110000));
    EXPECT_EQ(wiretext::ToWire(L"a" + beyond), L"a\xFFFD");
    EXPECT_EQ(wiretext::FromWire(static_cast<const CORBA::WChar*>(nullptr)), L"");
}

}  // namespace
