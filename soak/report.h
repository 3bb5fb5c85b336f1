// What the soak says of its runs once they are made: the processes whose
// descriptors or threads kept growing, each run that broke a rule with the
// command that makes it again, and the table of the runs by key and fault.
// Each run is its line of runs.jsonl (Worker::Run), with its "worker".
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace soak {

// Descriptors or threads of one bnsim or omniNames that kept growing over
// at least 30 runs of its life, a sentence each.
std::vector<std::string> Growth(const std::vector<nlohmann::json>& lines);

// A run that broke a rule: what it was, the rules, and the command that
// replays it with `program`.
std::string ViolationText(const nlohmann::json& line, const std::string& program,
                          std::uint64_t seed);

// The table of the runs by key and fault, then the counts, the median and
// the slowest run.
std::string Table(const std::vector<nlohmann::json>& lines, long violations, long grown,
                  std::uint64_t seed, int workers);

}  // namespace soak
