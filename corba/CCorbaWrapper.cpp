#include "corba/CCorbaWrapper.h"

#include <iostream>

#include "client/CCommonException.h"
#include "corba/exception_info.h"
#include "utility/strings.h"

CCorbaWrapper::CCorbaWrapper() = default;

CCorbaWrapper::~CCorbaWrapper() = default;

void CCorbaWrapper::EchoError(const char* message, const char* exceptionName,
                              const char* exceptionInfo, bool throwException) {
    std::string text;
    for (const char* part : {message, exceptionName, exceptionInfo}) {
        if (part) text.append(part).append("\n");
    }
    std::cerr << text;
    std::cerr.flush();
    if (throwException) {
        throw CCommonException(CVLib::strings::toWstr(text).c_str(), nullptr, nullptr, 0);
    }
}

std::string GetTAOExceptionDescriptionString(const CORBA::Exception& e) {
    return std::string("Exception name: ") + e._name() + " Info: " + ExceptionInfo(e);
}
