#include "client/wtoi.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(Wtoi, ReadsAsTheWindowsLibraryDoes) {
    struct Row {
        const wchar_t* text;
        int expected;
    };
    // clang-format off
    const Row rows[] = {
        {L"8000", 8000}, {L"", 0}, {L"abc", 0}, {L"8080abc", 8080}, {L"b:c", 0}, {L" \t\n42", 42},
        {L"+5", 5}, {L"-1", -1}, {L"- 1", 0}, {L"0x10", 0}, {L"2147483647", INT_MAX},
        {L"2147483648", INT_MAX}, {L"-2147483648", INT_MIN}, {L"-2147483649", INT_MIN},
        {L"99999999999999999999999999", INT_MAX}, {L"-99999999999999999999999999", INT_MIN},
        {L"\u0663", 0},  // other scripts' digits are not digits here
    };
    // clang-format on
    for (const Row& row : rows)
        EXPECT_EQ(Wtoi(row.text), row.expected)
            << "text: " << testing::PrintToString(std::wstring(row.text));
}

}  // namespace
