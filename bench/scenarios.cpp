#include "bench/scenarios.h"

#include <nlohmann/json.hpp>

namespace bench {

std::string TasksScenario(long n) {
    nlohmann::json tasks = nlohmann::json::array();
    for (long i = 1; i <= n; ++i)
        tasks.push_back({{"id", i}, {"name", "Nightly backup " + std::to_string(i)}});
    return nlohmann::json{{"tasks", tasks}}.dump();
}

std::string WorkstationsScenario(long n) {
    nlohmann::json workstations = nlohmann::json::array();
    for (long i = 0; i < n; ++i)
        workstations.push_back(
            {{"name", "ws" + std::to_string(i)}, {"state", i % 2 ? "dead" : "alive"}});
    return nlohmann::json{{"workstations", workstations}}.dump();
}

std::string ExecuteScenario() {
    nlohmann::json start = nlohmann::json::array({{{"status", "tsSuccess"}}});
    nlohmann::json task = {{"id", 1}, {"name", "Nightly backup"}, {"start", start}};
    return nlohmann::json{{"tasks", nlohmann::json::array({task})}}.dump();
}

std::string LogScenario(long n) {
    return R"({"tasks": [{"id": 1, "name": "Archive", "log": {"lines": ["2026-12-06 23:00:01 Copied )"
           R"(\\\\NAS01\\photos\\2024\\IMG_0001.JPG, 4096 bytes"], "repeat": )" +
           std::to_string(n) + "}}]}";
}

}  // namespace bench
