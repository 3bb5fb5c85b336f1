// The ORB's options in two forms. The wrapper builds its option vector in a
// fixed form (BuildOrbArguments), the client's contract with whoever reads
// its ORB options; omniORB reads another dialect, into which
// TranslateOrbArguments turns that vector just before CORBA::ORB_init
// (docs/orb-options.md has the table):
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
// and appends -ORBtraceLevel 0 when no debug level was given (without one
// the ORB prints nothing of its own), unless the user set omniORB's own
// trace level or trace file (OmniOrbTraceConfigured). The ORB id becomes
// "omniORB4", the only one omniORB accepts; wide texts become UTF-8.
#pragma once

#include <list>
#include <string>
#include <vector>

// An ORB argument vector in the wrapper's form: wide texts and, beside them,
// one pointer per text for the ORB's argv. No program name stands before the
// first option.
//
// The pointers point into texts that this object owns; they stay valid until
// Clear or the end of this object. Copying would leave them pointing into
// the original, so it is forbidden.
class OrbArguments {
public:
    OrbArguments() = default;
    OrbArguments(const OrbArguments&) = delete;
    OrbArguments& operator=(const OrbArguments&) = delete;

    // Appends the option and, when value is not null, the value.
    void Add(const wchar_t* option, const wchar_t* value);
    void Clear();

    int Count() const { return static_cast<int>(argv.size()); }
    wchar_t** Vector() { return argv.empty() ? nullptr : argv.data(); }
    // The texts in the order added, for reading.
    std::vector<std::wstring> Texts() const;

private:
    // A list, not a vector: its elements never move, so the pointers in
    // argv stay valid while more texts are added.
    std::list<std::wstring> texts;
    std::vector<wchar_t*> argv;
};

// What the wrapper's option vector is built from besides the naming
// service's address; an empty text leaves its option out (the listening
// address and published host name shape the endpoint instead).
struct OrbOptionSettings {
    bool useSsl = false;
    std::wstring listenAddress;
    std::wstring iorHostName;
    std::wstring debugLevel;
    std::wstring logFile;
};

// Fills `out` afresh: the naming service at host:port as the initial
// reference "NameService", the listening endpoint, the optional debug level
// and log file, and the two connection options.
void BuildOrbArguments(OrbArguments& out, const std::wstring& host, const std::wstring& port,
                       const OrbOptionSettings& settings);

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
