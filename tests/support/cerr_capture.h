// Captures what std::cerr receives while it lives.
#pragma once

#include <iostream>
#include <sstream>
#include <string>

class CerrCapture {
public:
    CerrCapture() : old_(std::cerr.rdbuf(text_.rdbuf())) {}
    ~CerrCapture() { std::cerr.rdbuf(old_); }
    CerrCapture(const CerrCapture&) = delete;
    CerrCapture& operator=(const CerrCapture&) = delete;
    std::string str() const { return text_.str(); }

private:
    std::ostringstream text_;
    std::streambuf* old_;
};
