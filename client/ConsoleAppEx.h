// The console client's exception: one wide text that the main function prints
// as the run's last line before it exits with 1.
#pragma once

#include <exception>
#include <string>

class ConsoleAppEx : public std::exception {
public:
    explicit ConsoleAppEx(const std::wstring& message) : message(message) {}
    ConsoleAppEx(const ConsoleAppEx& other) = default;
    ConsoleAppEx& operator=(const ConsoleAppEx& other) = default;
    ~ConsoleAppEx() override = default;

    // Valid as long as this object lives.
    virtual const wchar_t* GetErrorMessage() const { return message.c_str(); }

private:
    std::wstring message;
};

// No backup server is bound under this computer's name. Its text is the one
// of a server whose version is not supported; the cause is on stderr.
class ServerNotFound : public ConsoleAppEx {
public:
    using ConsoleAppEx::ConsoleAppEx;
};
