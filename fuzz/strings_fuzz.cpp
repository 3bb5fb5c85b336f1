// The UTF-8 conversions: any byte string survives the round trip through
// wide text, and any wide text converts to UTF-8 that reads back as a
// string of valid code points.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "utility/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::wstring wide = CVLib::strings::toWstr(bytes);
    if (CVLib::strings::toAstr(wide) != bytes) std::abort();

    // The same bytes read as wide characters, whatever their values.
    std::wstring anyWide(size / sizeof(wchar_t), L'\0');
    if (!anyWide.empty()) std::memcpy(anyWide.data(), data, anyWide.size() * sizeof(wchar_t));
    const std::string utf8 = CVLib::strings::toAstr(anyWide);
    // toAstr's output read back and written again is stable.
    if (CVLib::strings::toAstr(CVLib::strings::toWstr(utf8)) != utf8) std::abort();
    return 0;
}
