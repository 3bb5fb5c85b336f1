// What the fuzz build's network stand-ins were asked to do, in order.
#pragma once

#include <string>
#include <vector>

std::vector<std::string>& RecordedCalls();
