// Text conversions between the narrow strings of the ORB and the naming
// service (UTF-8) and the wide strings of the console and the command line
// (one wchar_t per Unicode code point; wchar_t is 32-bit here).
//
// Bytes that are not valid UTF-8 are not lost: toWstr maps each such byte B
// to the lone low surrogate U+DC00+B (B is 0x80..0xFF), and toAstr maps those
// code points back to the byte, so toAstr(toWstr(s)) == s for every byte
// string s. Valid UTF-8 never decodes to a surrogate, so the mapping cannot
// collide with real text. Other lone surrogates and values beyond U+10FFFF
// are encoded as U+FFFD by toAstr.
#pragma once

#include <string>

namespace CVLib {
namespace strings {

std::wstring toWstr(const std::string& narrow);
std::wstring toWstr(const char* narrow);  // null gives an empty string

std::string toAstr(const std::wstring& wide);
std::string toAstr(const wchar_t* wide);  // null gives an empty string

// Whether text is valid UTF-8 throughout: toWstr escapes no byte of it.
bool IsUtf8(const std::string& text);

// Appends the UTF-8 form of one wide character to out, with the byte
// escapes above undone. toAstr is this applied to every character.
void AppendUtf8(std::string& out, wchar_t c);

}  // namespace strings
}  // namespace CVLib
