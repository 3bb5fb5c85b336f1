// Wide text as it travels in a wstring. omniORB sends each wchar_t of a
// wstring as one UTF-16 unit and converts nothing, while wchar_t holds a whole
// code point here (32-bit): a character above U+FFFF must be split into a
// surrogate pair before it is sent, or the ORB raises BAD_PARAM
// (WCharOutOfRange), and a received pair must be joined before the text is
// printed or compared. Every wstring that is sent or received goes through
// these functions.
//
// Pure functions; safe to call from any thread.
#pragma once

#include <omniORB4/CORBA.h>

#include <string>
#include <string_view>

namespace wiretext {

// Splits every character above U+FFFF into a UTF-16 surrogate pair. A value
// beyond U+10FFFF is no character and cannot be sent as UTF-16: it becomes
// U+FFFD. Everything else, lone surrogates included, is kept as it is.
std::wstring ToWire(const std::wstring& text);

// Joins each high surrogate that is directly followed by a low surrogate
// into one character; every lone surrogate becomes U+FFFD. Text from a peer
// is decoded strictly: the console would write the lone surrogates
// U+DC80..U+DCFF as the raw bytes they stand for in the user's own
// arguments (utility/strings.h), and a peer must not reach the terminal with
// raw bytes such as the 8-bit control CSI.
std::wstring FromWire(std::wstring_view wire);

// As above, for a string that the ORB returned; null gives an empty string.
std::wstring FromWire(const CORBA::WChar* wire);

}  // namespace wiretext
