// The wrapper builds its ORB options in the dialect of the ORB it was
// designed on; omniORB understands another. TranslateOrbArguments turns the
// one into the other just before CORBA::ORB_init (docs/orb-options.md has
// the table):
//
//   -ORBInitRef Id=iiop://H:P/Key    -ORBInitRef Id=corbaloc:iiop:1.2@H:P/Key
//                                    (ssliop likewise)
//   -ORBListenEndpoints iiop://A/hostname_in_ior=N
//                                    -ORBendPoint giop:tcp:A:
//                                    -ORBendPointPublish giop:tcp:N:
//   -ORBDebugLevel L                 -ORBtraceLevel L
//   -ORBLogFile F                    -ORBtraceFile F
//   -ORBUseParallelConnects V        dropped
//   -ORBUseSharedProfile V           dropped
//   anything else                    unchanged
//
// and appends -ORBtraceLevel 0 when no debug level was given (the designed
// ORB is silent by default), unless the user set omniORB's own trace level
// or trace file (OmniOrbTraceConfigured). The ORB id becomes "omniORB4", the only one
// omniORB accepts; wide texts become UTF-8.
#pragma once

#include <string>
#include <vector>

// A narrow argument vector for CORBA::ORB_init, which may consume and
// reorder the pointers in argv: the texts stay where they are.
class OmniOrbArguments {
public:
    OmniOrbArguments(std::vector<std::string> texts, std::string orbId);
    OmniOrbArguments(const OmniOrbArguments&) = delete;
    OmniOrbArguments& operator=(const OmniOrbArguments&) = delete;

    const std::vector<std::string>& Texts() const { return texts; }
    const std::string& OrbId() const { return orbId; }
    // For ORB_init: the count by reference and the pointers.
    int& Count() { return count; }
    char** Vector() { return argv.data(); }

private:
    std::vector<std::string> texts;
    std::vector<char*> argv;
    int count;
    std::string orbId;
};

// argv may be null when argc is 0.
OmniOrbArguments TranslateOrbArguments(int argc, wchar_t* const* argv);

// Whether omniORB's trace level or trace file is set in its environment
// (ORBtraceLevel, ORBtraceFile) or in its configuration file
// ($OMNIORB_CONFIG, else /etc/omniORB.cfg).
bool OmniOrbTraceConfigured();
