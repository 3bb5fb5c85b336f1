#include "client/banner.h"

#include "utility/strings.h"

std::wstring ComposeBanner(const char* buildDate) {
    std::wstring banner =
        L"\nCorvane Console Client v11.00\n"
        L"Copyright (C) 2003-YYYY Tarmelin Software. All rights reserved.\n\n";
    // __DATE__ pads a one-digit day with a space ("Dec  6 2026"), so the
    // year is found after the last space rather than by position.
    const std::wstring date = CVLib::strings::toWstr(buildDate);
    const auto lastSpace = date.rfind(L' ');
    const std::wstring year =
        lastSpace == std::wstring::npos ? date : date.substr(lastSpace + 1, 4);
    const auto placeholder = banner.find(L"YYYY");
    if (placeholder != std::wstring::npos) banner.replace(placeholder, 4, year);
    return banner;
}
