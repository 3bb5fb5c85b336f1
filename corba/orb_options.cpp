#include "corba/orb_options.h"

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <utility>

#include "utility/strings.h"

namespace {

// The largest message the client takes: a list of some 300,000 tasks in
// one reply. omniORB trusts a sequence's count up to it and builds that many
// elements before it reads them, so a hostile reply costs at most about 16
// to 32 bytes of memory for each byte this allows.
constexpr const char* kMaxMessageSize = "33554432";  // 32 MiB

// The wrapper names its ORB after the Coordinator's host; omniORB keeps a
// single ORB and refuses any id but its own.
const char kOmniOrbId[] = "omniORB4";

// "Id=proto://H:P/Key" with proto iiop or ssliop becomes the corbaloc form.
// The GIOP version is written out: without it omniORB talks GIOP 1.0 to a
// corbaloc reference, and GIOP 1.0 cannot carry a wstring.
std::string InitRefToCorbaloc(const std::string& value) {
    const std::string::size_type equals = value.find('=');
    if (equals == std::string::npos) return value;
    for (const char* protocol : {"iiop", "ssliop"}) {
        const std::string prefix = std::string(protocol) + "://";
        if (value.compare(equals + 1, prefix.size(), prefix) == 0) {
            return value.substr(0, equals + 1) + "corbaloc:" + protocol + ":1.2@" +
                   value.substr(equals + 1 + prefix.size());
        }
    }
    return value;
}

// An endpoint address with a port keeps it; one without gets the empty port,
// which lets the system choose.
std::string TcpEndpoint(const std::string& address) {
    std::string endpoint = "giop:tcp:" + address;
    if (address.find(':') == std::string::npos) endpoint += ":";
    return endpoint;
}

// "iiop://A/hostname_in_ior=N": the listening address A and the published
// host name N. Other endpoint parameters have no omniORB counterpart.
void AddListenEndpoint(const std::string& value, std::vector<std::string>& out) {
    const std::string scheme = "iiop://";
    if (value.compare(0, scheme.size(), scheme) != 0) {
        // Not a form we know: omniORB will say so when it reads it.
        out.insert(out.end(), {"-ORBListenEndpoints", value});
        return;
    }
    const std::string rest = value.substr(scheme.size());
    const std::string::size_type slash = rest.find('/');
    out.insert(out.end(), {"-ORBendPoint", TcpEndpoint(rest.substr(0, slash))});
    if (slash == std::string::npos) return;
    const std::string hostKey = "hostname_in_ior=";
    const std::string::size_type host = rest.find(hostKey, slash);
    if (host == std::string::npos) return;
    const std::string::size_type end = rest.find_first_of("&/", host);
    const std::string name = rest.substr(host + hostKey.size(), end - host - hostKey.size());
    out.insert(out.end(), {"-ORBendPointPublish", TcpEndpoint(name)});
}

// Whether a line of omniORB's configuration file ("name = value", "#" to
// the line's end a comment) sets one of names, with or without the "ORB"
// of the command-line form.
bool SetsOneOf(std::string line, std::initializer_list<const char*> names) {
    line = line.substr(0, line.find('#'));
    const std::string::size_type equals = line.find('=');
    if (equals == std::string::npos) return false;
    std::string name = line.substr(0, equals);
    name.erase(0, name.find_first_not_of(" \t"));
    name.erase(name.find_last_not_of(" \t") + 1);
    if (name.compare(0, 3, "ORB") == 0) name.erase(0, 3);
    for (const char* candidate : names)
        if (name == candidate) return true;
    return false;
}

}  // namespace

void OrbArguments::Add(const wchar_t* option, const wchar_t* value) {
    for (const wchar_t* text : {option, value}) {
        if (!text) continue;
        texts.emplace_back(text);
        argv.push_back(texts.back().data());
    }
}

void OrbArguments::Clear() {
    argv.clear();
    texts.clear();
}

std::vector<std::wstring> OrbArguments::Texts() const {
    std::vector<std::wstring> result;
    for (const wchar_t* text : argv) result.emplace_back(text);
    return result;
}

void BuildOrbArguments(OrbArguments& out, const std::wstring& host, const std::wstring& port,
                       const OrbOptionSettings& settings) {
    out.Clear();
    const std::wstring protocol = settings.useSsl ? L"ssliop" : L"iiop";
    const std::wstring initRef =
        L"NameService=" + protocol + L"://" + host + L":" + port + L"/NameService";
    out.Add(L"-ORBInitRef", initRef.c_str());
    // The ORB listens on plain IIOP whatever the Coordinator is reached by.
    std::wstring endpoint = L"iiop://" + settings.listenAddress;
    if (!settings.iorHostName.empty()) endpoint += L"/hostname_in_ior=" + settings.iorHostName;
    out.Add(L"-ORBListenEndpoints", endpoint.c_str());
    if (!settings.debugLevel.empty()) out.Add(L"-ORBDebugLevel", settings.debugLevel.c_str());
    if (!settings.logFile.empty()) out.Add(L"-ORBLogFile", settings.logFile.c_str());
    out.Add(L"-ORBUseParallelConnects", L"1");
    out.Add(L"-ORBUseSharedProfile", L"1");
}

bool OmniOrbTraceConfigured() {
    for (const char* variable : {"ORBtraceLevel", "ORBtraceFile"})
        if (std::getenv(variable)) return true;
    const char* path = std::getenv("OMNIORB_CONFIG");
    std::ifstream file(path ? path : "/etc/omniORB.cfg");
    for (std::string line; std::getline(file, line);)
        if (SetsOneOf(line, {"traceLevel", "traceFile"})) return true;
    return false;
}

OmniOrbArguments::OmniOrbArguments(std::vector<std::string> texts, std::string orbId)
    : texts(std::move(texts)), count(0), orbId(std::move(orbId)) {
    for (std::string& text : this->texts) argv.push_back(text.data());
    count = static_cast<int>(argv.size());
    argv.push_back(nullptr);
}

OmniOrbArguments TranslateOrbArguments(int argc, wchar_t* const* argv) {
    std::vector<std::string> out;
    bool traceLevelGiven = false;
    for (int i = 0; i < argc; ++i) {
        const std::string option = CVLib::strings::toAstr(argv[i]);
        const bool hasValue = i + 1 < argc;
        const std::string value = hasValue ? CVLib::strings::toAstr(argv[i + 1]) : std::string();
        if (hasValue && option == "-ORBInitRef") {
            out.insert(out.end(), {option, InitRefToCorbaloc(value)});
        } else if (hasValue && option == "-ORBListenEndpoints") {
            AddListenEndpoint(value, out);
        } else if (hasValue && option == "-ORBDebugLevel") {
            out.insert(out.end(), {"-ORBtraceLevel", value});
            traceLevelGiven = true;
        } else if (hasValue && option == "-ORBLogFile") {
            out.insert(out.end(), {"-ORBtraceFile", value});
        } else if (hasValue &&
                   (option == "-ORBUseParallelConnects" || option == "-ORBUseSharedProfile")) {
            // omniORB rejects options it does not know; these two have no
            // counterpart (it connects to one profile at a time and shares
            // nothing to switch off).
        } else {
            out.push_back(option);
            continue;
        }
        ++i;
    }
    // Without a debug level the ORB prints nothing of its own; omniORB's
    // default level 1 would warn on stderr, for example about a
    // host whose only interface is the loopback. A trace the user asked of
    // omniORB itself (its environment or configuration file) is left to it.
    if (!traceLevelGiven && !OmniOrbTraceConfigured())
        out.insert(out.end(), {"-ORBtraceLevel", "0"});
    // No call timeout is set here, but omniORB reads one from its
    // configuration file and environment (ORBclientCallTimeOutPeriod). A call
    // that runs out of it raises omniORB's own TIMEOUT, not TRANSIENT: a
    // slow peer is not a gone one, and the sweep must not unbind it.
    // omniORB checks every new reference with a LocateRequest before its
    // first call; a task listing gets three new references per task, so the
    // check would add three round trips to its five calls. The call itself
    // reports a missing object as the check would (OBJECT_NOT_EXIST), and a
    // reference's type is asked with _is_a where it matters.
    out.insert(out.end(), {"-ORBverifyObjectExistsAndType", "0"});
    // omniORB refuses any GIOP message over 2 MiB by default, and a server's
    // task list arrives in one reply: some 20,000 tasks would already break
    // the connection. The limit is raised far past any real server.
    out.insert(out.end(), {"-ORBgiopMaxMsgSize", kMaxMessageSize});
    return OmniOrbArguments(std::move(out), kOmniOrbId);
}
