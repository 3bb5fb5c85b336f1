#include "client/task_id.h"

#include <sstream>

std::optional<int> ReadTaskId(const std::wstring& text) {
    std::wistringstream reader(text);
    int id = 0;
    if (!(reader >> id)) return std::nullopt;
    return id;
}
