#include "client/CCommonException.h"

#include <sstream>

CCommonException::CCommonException(const wchar_t* message, const wchar_t* function,
                                   const wchar_t* file, int line) {
    std::wostringstream text;
    text << L"exception message: " << (message ? message : L"Not specified.");
    if (file) text << L"\nfile: " << file;
    if (line != 0) text << L"\nline: " << line;
    if (function) text << L"\nfunction: " << function;
    this->message = text.str();
}

CCommonException::~CCommonException() = default;

const wchar_t* CCommonException::GetErrorMessage() const {
    return message.c_str();
}
