// The banner that opens every run.
#pragma once

#include <string>

// The banner with the build year, taken from buildDate in the compiler's
// __DATE__ form ("Sep 26 2013"), in place of its placeholder "YYYY".
std::wstring ComposeBanner(const char* buildDate);
