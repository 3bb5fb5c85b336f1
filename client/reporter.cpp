#include "client/reporter.h"

#include <iostream>

void Reporter::Hint(const std::string& text) {
    std::cerr << "cvcc: " << text << std::endl;
}
