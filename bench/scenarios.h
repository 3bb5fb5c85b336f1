// The scenarios the benchmark plays, written as bnsim's JSON (docs/simulator.md).
#pragma once

#include <string>

namespace bench {

// n tasks with ids 1..n, idle.
std::string TasksScenario(long n);
// n workstations, every second one dead (a reference to a port where nothing listens).
std::string WorkstationsScenario(long n);
// One task, id 1, idle, that is done at the first poll after its start.
std::string ExecuteScenario();
// One task, id 1, whose log has n lines of some 70 characters.
std::string LogScenario(long n);

}  // namespace bench
