// Reads an int from wide text as the Windows C library's _wtoi does: leading
// white space, an optional sign, decimal digits up to the first other
// character; no digits give 0, and a number past the int range saturates at
// INT_MAX or INT_MIN.
#pragma once

#include <string>

int Wtoi(const std::wstring& text);
