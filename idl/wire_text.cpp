#include "wire_text.h"

namespace wiretext {
namespace {

constexpr unsigned long kFirstSupplementary = 0x10000;
constexpr unsigned long kLastCodePoint = 0x10FFFF;
constexpr unsigned long kHighFirst = 0xD800;
constexpr unsigned long kHighLast = 0xDBFF;
constexpr unsigned long kLowFirst = 0xDC00;
constexpr unsigned long kLowLast = 0xDFFF;
constexpr wchar_t kReplacement = 0xFFFD;

bool IsHigh(unsigned long unit) {
    return unit >= kHighFirst && unit <= kHighLast;
}
bool IsLow(unsigned long unit) {
    return unit >= kLowFirst && unit <= kLowLast;
}

// wchar_t is signed on this platform; compare code points as unsigned.
unsigned long CodePoint(wchar_t c) {
    return static_cast<unsigned long>(c) & 0xFFFFFFFFul;
}

}  // namespace

std::wstring ToWire(const std::wstring& text) {
    std::wstring wire;
    wire.reserve(text.size());
    for (wchar_t c : text) {
        const unsigned long cp = CodePoint(c);
        if (cp < kFirstSupplementary) {
            wire.push_back(c);
        } else if (cp <= kLastCodePoint) {
            const unsigned long offset = cp - kFirstSupplementary;
            wire.push_back(static_cast<wchar_t>(kHighFirst + (offset >> 10)));
            wire.push_back(static_cast<wchar_t>(kLowFirst + (offset & 0x3FF)));
        } else {
            wire.push_back(kReplacement);
        }
    }
    return wire;
}

std::wstring FromWire(std::wstring_view wire) {
    std::wstring text;
    text.reserve(wire.size());
    for (std::size_t i = 0; i < wire.size(); ++i) {
        const unsigned long unit = CodePoint(wire[i]);
        if (IsHigh(unit) && i + 1 < wire.size() && IsLow(CodePoint(wire[i + 1]))) {
            const unsigned long low = CodePoint(wire[i + 1]);
            text.push_back(static_cast<wchar_t>(kFirstSupplementary + ((unit - kHighFirst) << 10) +
                                                (low - kLowFirst)));
            ++i;
        } else if (IsHigh(unit) || IsLow(unit)) {
            text.push_back(kReplacement);
        } else {
            text.push_back(wire[i]);
        }
    }
    return text;
}

std::wstring FromWire(const CORBA::WChar* wire) {
    // Read in place: a copy first would cost every listed name a second allocation.
    return wire ? FromWire(std::wstring_view(wire)) : std::wstring();
}

}  // namespace wiretext
