// The examples of the manual page's MONITORING section, as a reader sees
// them: each block the page prints as it stands (.nf to .fi), with roff's
// escapes undone, in the page's order.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "harness/files.h"

namespace monitoring {

inline std::vector<std::string> MonitoringExamples() {
    std::istringstream page(harness::ReadFile(MAN_PAGE));
    std::vector<std::string> blocks;
    bool inSection = false, inBlock = false;
    for (std::string line; std::getline(page, line);) {
        if (line.rfind(".SH ", 0) == 0) inSection = line == ".SH MONITORING";
        if (!inSection) continue;
        if (line == ".nf" || line == ".fi") {
            inBlock = line == ".nf";
            if (inBlock) blocks.emplace_back();
            continue;
        }
        if (!inBlock) continue;
        for (const auto& [escape, text] :
             {std::pair<std::string, std::string>{"\\-", "-"}, {"\\&", ""}, {"\\(rs", "\\"}})
            for (auto at = line.find(escape); at != std::string::npos;
                 at = line.find(escape, at + text.size()))
                line.replace(at, escape.size(), text);
        blocks.back() += line + "\n";
    }
    return blocks;
}

}  // namespace monitoring
