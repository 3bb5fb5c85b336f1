// The CORBA connection layer. Every failure it reports goes through
// EchoError, which writes it to stderr and, when asked, throws it on as a
// CCommonException.
#pragma once

#include <omniORB4/CORBA.h>

#include <string>

class CCorbaWrapper {
public:
    CCorbaWrapper();
    CCorbaWrapper(const CCorbaWrapper&) = delete;
    CCorbaWrapper& operator=(const CCorbaWrapper&) = delete;

    // Writes each non-null text followed by a line feed to stderr, flushes
    // once, and throws CCommonException with those lines when throwException
    // is set. A derived class may replace it.
    virtual void EchoError(const char* message, const char* exceptionName,
                           const char* exceptionInfo, bool throwException);
    virtual ~CCorbaWrapper();
};

// "Exception name: <name> Info: <description>" on one line.
std::string GetTAOExceptionDescriptionString(const CORBA::Exception& e);
