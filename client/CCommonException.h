// The exception of the layers below the console (above all the CORBA
// connection layer). It carries one wide text composed at construction from a
// message and, optionally, the file, line and function that raised it.
//
// what() is std::exception's own and does not return that text: the main
// function, which catches this as a std::exception, prints what() only.
#pragma once

#include <exception>
#include <string>

class CCommonException : public std::exception {
public:
    // Any pointer may be null; line 0 means no line.
    CCommonException(const wchar_t* message, const wchar_t* function, const wchar_t* file,
                     int line);
    CCommonException(const CCommonException& other) = default;
    CCommonException& operator=(const CCommonException& other) = default;
    ~CCommonException() override;

    virtual const wchar_t* GetErrorMessage() const;

private:
    std::wstring message;
};
