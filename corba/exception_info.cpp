#include "corba/exception_info.h"

#include <cstdio>

const char* CompletionText(CORBA::CompletionStatus status) {
    switch (status) {
        case CORBA::COMPLETED_YES:
            return "COMPLETED_YES";
        case CORBA::COMPLETED_NO:
            return "COMPLETED_NO";
        default:
            return "COMPLETED_MAYBE";
    }
}

std::string ExceptionInfo(const CORBA::Exception& e) {
    const auto* system = CORBA::SystemException::_downcast(&e);
    if (!system) return e._rep_id();

    char minor[32];
    std::snprintf(minor, sizeof minor, "0x%08lx", static_cast<unsigned long>(system->minor()));
    std::string info = "minor code: ";
    // omniORB names the minor codes it raises itself; a peer's code, or 0,
    // has no name, and then the number stands alone.
    if (const char* name = system->NP_minorString())
        info += std::string(name) + " (" + minor + ")";
    else
        info += minor;
    info += ", completed: ";
    info += CompletionText(system->completed());
    return info;
}
