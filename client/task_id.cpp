#include "client/task_id.h"

#include <cwctype>
#include <sstream>

std::optional<int> ReadTaskId(const std::wstring& text) {
    std::wistringstream reader(text);
    int id = 0;
    if (!(reader >> id)) return std::nullopt;
    return id;
}

bool TaskIdReadLoosely(const std::wstring& text) {
    std::wistringstream reader(text);
    int id = 0;
    if (!(reader >> id)) return false;
    return std::iswspace(static_cast<wint_t>(text.front())) ||
           reader.peek() != std::char_traits<wchar_t>::eof();
}
