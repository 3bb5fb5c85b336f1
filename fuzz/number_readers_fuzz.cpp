// The number readers of the command line: the proxy port (Wtoi) and the task
// id (ReadTaskId). Both read white space, a sign and decimal digits; where
// the id reader finds a number in range, the port reader finds the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "client/task_id.h"
#include "client/wtoi.h"
#include "utility/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text =
        CVLib::strings::toWstr(std::string(reinterpret_cast<const char*>(data), size));
    const int port = Wtoi(text);
    const std::optional<int> id = ReadTaskId(text);
    if (id && *id != port) std::abort();
    return 0;
}
