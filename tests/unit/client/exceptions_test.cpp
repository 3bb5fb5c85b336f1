#include <gtest/gtest.h>

#include "client/CCommonException.h"
#include "client/banner.h"

namespace {

TEST(CCommonException, ComposesMessageFileLineAndFunction) {
    struct Row {
        const char* label;
        const wchar_t* message;
        const wchar_t* function;
        const wchar_t* file;
        int line;
        const wchar_t* expected;
    };
    // clang-format off
    const Row rows[] = {
        {"nothing given", nullptr, nullptr, nullptr, 0, L"exception message: Not specified."},
        {"empty message adds nothing", L"", nullptr, nullptr, 0, L"exception message: "},
        {"all four", L"NameService port checking failed on localhost:1755", L"CCorbaWrapper::InitORBConnectedToNS",
         L"CCorbaWrapper.cpp", 173, L"exception message: NameService port checking failed on localhost:1755\n"
         L"file: CCorbaWrapper.cpp\nline: 173\nfunction: CCorbaWrapper::InitORBConnectedToNS"},
        {"line 0 with a file", L"m", nullptr, L"f.cpp", 0, L"exception message: m\nfile: f.cpp"},
        {"negative line", L"m", nullptr, nullptr, -42, L"exception message: m\nline: -42"},
        {"no grouping in large lines", L"m", L"fn", nullptr, 1234567, L"exception message: m\nline: 1234567\nfunction: fn"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const CCommonException e(row.message, row.function, row.file, row.line);
        EXPECT_STREQ(e.GetErrorMessage(), row.expected);
        // what() is the standard base's, never the composed text.
        EXPECT_STREQ(e.what(), std::exception().what());
    }
}

TEST(Banner, TakesTheYearAfterTheLastSpaceOfTheBuildDate) {
    const std::wstring banner = ComposeBanner("Sep 26 2013");
    EXPECT_EQ(banner.substr(0, 31), L"\nCorvane Console Client v11.00\n");
    EXPECT_NE(banner.find(L"-2013 "), std::wstring::npos);
    EXPECT_EQ(banner.find(L"YYYY"), std::wstring::npos);
    EXPECT_EQ(banner.substr(banner.size() - 2), L"\n\n");
    // A one-digit day is padded with a second space in __DATE__.
    EXPECT_NE(ComposeBanner("Dec  6 2026").find(L"-2026 "), std::wstring::npos);
}

}  // namespace
