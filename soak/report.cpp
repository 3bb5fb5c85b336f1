#include "soak/report.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "soak/plan.h"

namespace soak {

std::vector<std::string> Growth(const std::vector<nlohmann::json>& lines) {
    std::map<std::string, std::vector<std::pair<int, int>>> lives;
    for (const auto& l : lines)
        for (const char* who : {"bnsim", "omniNames"}) {
            if (!l.contains(who)) continue;
            const auto& p = l.at(who);
            if (p.value("fds", -1) < 0) continue;
            if (std::string(who) == "bnsim" && !p.value("base", false)) continue;
            lives[std::string(who) + " " + std::to_string(p.value("pid", 0)) + " of worker " +
                  l.value("worker", "?")]
                .push_back({p.value("fds", 0), p.value("threads", 0)});
        }
    std::vector<std::string> grown;
    for (const auto& [who, samples] : lives) {
        if (samples.size() < 30) continue;
        const auto first = samples[5];
        const auto last = samples.back();
        if (last.first > first.first + 16 || last.second > first.second + 16)
            grown.push_back(who + " grew from " + std::to_string(first.first) +
                            " descriptors and " + std::to_string(first.second) + " threads to " +
                            std::to_string(last.first) + " and " + std::to_string(last.second) +
                            " over " + std::to_string(samples.size()) + " runs");
    }
    return grown;
}

std::string ViolationText(const nlohmann::json& line, const std::string& program,
                          std::uint64_t seed) {
    Plan plan;
    plan.seed = seed;
    plan.index = line.value("index", 0L);
    std::ostringstream text;
    text << "VIOLATION in run " << plan.index << " (" << line.value("key", "")
         << (line.value("json", false) ? " --Json" : "") << ", " << line.value("fault", "")
         << (line.contains("target") ? " at " + line.value("target", "") : "") << "):\n";
    for (const auto& v : line.at("violations")) text << "  " << v.get<std::string>() << '\n';
    text << "  replay: " << ReplayCommand(program, plan) << '\n';
    return text.str();
}

std::string Table(const std::vector<nlohmann::json>& lines, long violations, long grown,
                  std::uint64_t seed, int workers) {
    std::vector<std::string> faults;
    std::map<std::string, std::map<std::string, long>> byKey;
    for (const auto& l : lines) {
        const std::string fault = l.value("fault", "");
        if (std::find(faults.begin(), faults.end(), fault) == faults.end()) faults.push_back(fault);
        byKey[l.value("key", "") + (l.value("json", false) ? " (--Json)" : "")][fault]++;
    }
    std::sort(faults.begin(), faults.end());
    std::ostringstream t;
    t << "| key |";
    for (const auto& f : faults) t << ' ' << f << " |";
    t << " runs |\n|---|";
    for (std::size_t i = 0; i <= faults.size(); ++i) t << "---:|";
    t << '\n';
    for (const auto& [key, counts] : byKey) {
        long total = 0;
        t << "| " << key << " |";
        for (const auto& f : faults) {
            const auto n = counts.count(f) ? counts.at(f) : 0;
            total += n;
            t << ' ' << n << " |";
        }
        t << ' ' << total << " |\n";
    }
    std::vector<long> ms;
    const nlohmann::json* slowest = nullptr;
    for (const auto& l : lines) {
        ms.push_back(l.value("ms", 0L));
        if (!slowest || l.value("ms", 0L) > slowest->value("ms", 0L)) slowest = &l;
    }
    std::sort(ms.begin(), ms.end());
    t << "\nruns: " << lines.size() << ", seed " << seed << ", workers " << workers
      << "; runs that broke a rule: " << violations << "; processes that kept growing: " << grown
      << '\n';
    if (!ms.empty()) {
        t << "median run: " << ms[ms.size() / 2] << " ms; slowest run: " << ms.back() << " ms ("
          << slowest->value("key", "") << (slowest->value("json", false) ? " --Json" : "") << ", "
          << slowest->value("fault", "") << ", run " << slowest->value("index", 0L) << ")\n";
    }
    return t.str();
}

}  // namespace soak
