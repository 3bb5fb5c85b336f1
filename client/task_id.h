// Reads a task id from a command-line argument as a wide stream reads an
// int: leading white space skipped, an optional sign, decimal digits up to
// the first other character. No digits, or a number past the 32-bit range,
// gives no id. Pure; any thread.
#pragma once

#include <optional>
#include <string>

std::optional<int> ReadTaskId(const std::wstring& text);

// Whether reading the id passed over characters of the text: white space
// before it, or anything after its digits ("101x", "1e2"). Such a text still
// names the id read; the user is told what it was read as.
bool TaskIdReadLoosely(const std::wstring& text);
