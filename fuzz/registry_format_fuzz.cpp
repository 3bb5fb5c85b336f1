// The registry file reader on arbitrary bytes: it must never crash, and
// whatever it answers must be consistent with its contract.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "utility/registry_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)CVLib::system::DecodeRegistryText(bytes);
    std::map<std::wstring, std::wstring> values = {{L"stale", L"value"}};
    const bool found = CVLib::system::ParseRegistryKey(
        bytes, L"SOFTWARE\\Tarmelin\\Corvane 7\\Configuration\\Server Connection Settings", values);
    // Values only come with the key, and their names are folded already.
    if (!found && !values.empty()) std::abort();
    for (const auto& [name, text] : values)
        if (CVLib::system::FoldCase(name) != name) std::abort();
    return 0;
}
