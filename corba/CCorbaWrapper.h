// The CORBA connection layer: one object that owns the ORB, the root POA and
// the thread the ORB runs in, and that reaches the Coordinator's naming
// service. Every failure it reports goes through EchoError, which writes it
// to stderr and, when asked, throws it on as a CCommonException.
//
// Threads: every operation is called from one thread (the owner's). The ORB
// thread only runs the ORB's event loop; it never reads the wrapper. It
// holds what it touches: the thread control, shared with the wrapper, and
// the ORB reference and the two hooks, taken when it was started. Teardown
// waits at most 3 s for it and then lets it go without joining; a thread let
// go may run on after the wrapper is destroyed.
//
// Results of the int operations: 0 success, 1 failure, 2 Coordinator
// unreachable. 1 and 2 are seen only when a derived EchoError returns
// instead of throwing; this class's own EchoError throws when asked to.
#pragma once

#include <omniORB4/CORBA.h>

#include <memory>
#include <omniORB4/Naming.hh>
#include <string>

#include "corba/orb_options.h"

struct OrbThreadControl;

class CCorbaWrapper {
public:
    using ThreadHook = void (*)();

    // Remembers this computer's network name for the object references the
    // ORB publishes. Starts no ORB.
    CCorbaWrapper();
    CCorbaWrapper(const CCorbaWrapper&) = delete;
    CCorbaWrapper& operator=(const CCorbaWrapper&) = delete;

    // Writes each non-null text followed by a line feed to stderr, flushes
    // once, and throws CCommonException with those lines when throwException
    // is set; called while an exception is handled, the thrown one nests it
    // (std::throw_with_nested). A derived class may replace it.
    virtual void EchoError(const char* message, const char* exceptionName,
                           const char* exceptionInfo, bool throwException);
    // Tears down what runs (DisconnectNS).
    virtual ~CCorbaWrapper();

    // --- ORB lifecycle -------------------------------------------------

    // Tears down what runs, makes a new ORB from the arguments, fetches the
    // root naming context once, activates the root POA and starts the ORB
    // thread. 0 when all of it worked, else 1. orbId names the ORB (the
    // wrapper passes the Coordinator's host); omniORB keeps a single ORB and
    // is given its own id instead (corba/orb_options.h).
    int InitORBAndRunInThread(int argc, wchar_t** argv, const wchar_t* orbId);
    // A new ORB that the caller owns, or nil (also, without calling the ORB,
    // for argc 0 with a null argv). The arguments are translated into
    // omniORB's options first (corba/orb_options.h). Throws on failure.
    CORBA::ORB_ptr GetNewOrb(int argc, wchar_t** argv, const wchar_t* orbId);
    // Activates the root POA's manager. 0, or 1 after a reported failure.
    int InitPOA();
    // Starts the ORB thread without waiting for it. False when the thread
    // control could not be allocated.
    bool StartOrbThread();
    // True while a thread is held, also one that has ended but was not let go.
    bool IsOrbThreadRunning() const;
    // The ORB thread's body: the start hook, the ORB's run (the reference
    // handed over in the control), the end hook; anything they throw is
    // swallowed. Then it signals its end through the control it shares.
    static void OrbThreadFunc(std::shared_ptr<OrbThreadControl> control, ThreadHook onStart,
                              ThreadHook onEnd);

    // Teardown never throws on its own account: failures are printed and
    // the teardown goes on. Each retry waits 200 ms; five retries at most.
    void DestroyPOA();
    void DestroyOrb();
    // Waits for the ORB thread's end for 3 s at most, and not at all when it
    // has ended already (its signal is kept), then lets the thread go.
    void StopOrbThread();
    // DestroyPOA, then DestroyOrb. Back to no ORB, no POA, no thread.
    void DisconnectNS();

    // --- Naming service ------------------------------------------------

    // Connects to the naming service at host:port: 0 at once when the ORB is
    // already up for exactly that host and port; otherwise probes the port
    // (throws CCommonException, printing nothing, when it is closed), builds
    // the ORB options and starts the ORB (InitORBAndRunInThread's result).
    int InitORBConnectedToNS(const wchar_t* host, const wchar_t* port);
    // Whether a TCP connection to host:port is accepted within 10 s.
    bool IsPortOpened(const wchar_t* host, const wchar_t* port);
    // Fills orbArguments for the naming service at host:port from the
    // option settings below. Part of InitORBConnectedToNS; public so the
    // vector can be checked without a Coordinator.
    void FillOrbArguments(const wchar_t* host, const wchar_t* port);

    // The ORB's "NameService", narrowed. 1 without an ORB (nothing printed).
    int GetRootContext(CosNaming::NamingContext_var& context);
    // The network context, bound in the root context first if missing.
    int GetNetworkContext(CosNaming::NamingContext_var& context);
    // The object bound as the named backup server, owned by the caller; nil
    // after a printed report. Throws only when the root context fails.
    CORBA::Object_ptr GetObjectReference(const char* serverName);
    // Removes the binding of the named workstation from the network context.
    int UnbindName(const char* workstationName);
    int UnRegisterObject(const char* workstationName);

    // --- Settings (the console client keeps the defaults) --------------

    void SetOrbLogFile(const std::wstring& path) { orbLogFile = path; }
    void SetOrbDebugLevel(const std::wstring& level) { orbDebugLevel = level; }
    void SetListenAddress(const std::wstring& address) { listenAddress = address; }
    void SetIorHostName(const std::wstring& name) { iorHostName = name; }
    void SetUseSsl(bool use) { useSsl = use; }
    void SetDropNameServiceRef(bool drop) { dropNameServiceRef = drop; }
    void SetThreadHooks(ThreadHook onStart, ThreadHook onEnd) {
        onThreadStart = onStart;
        onThreadEnd = onEnd;
    }
    // When set, InitORBConnectedToNS starts the ORB with the preset
    // arguments, which the owner fills, instead of building its own.
    void SetUsePresetArguments(bool use) { usePresetArguments = use; }
    OrbArguments& PresetArguments() { return presetArguments; }

    // --- Observers -----------------------------------------------------

    const OrbArguments& GetOrbArguments() const { return orbArguments; }
    // The ORB, not duplicated: valid while this wrapper holds it.
    CORBA::ORB_ptr GetOrb() const { return orb.in(); }
    const std::wstring& GetIorHostName() const { return iorHostName; }

private:
    // Shared with the ORB thread, which may outlive the wrapper; null when
    // allocation failed.
    std::shared_ptr<OrbThreadControl> threadControl;
    CORBA::ORB_var orb;
    PortableServer::POA_var rootPoa;
    std::wstring nsHost;  // set only by a successful InitORBConnectedToNS
    std::wstring nsPort;
    std::wstring orbLogFile;
    std::wstring orbDebugLevel;
    std::wstring listenAddress;
    std::wstring iorHostName;
    bool usePresetArguments;
    OrbArguments presetArguments;
    OrbArguments orbArguments;
    bool dropNameServiceRef;
    bool useSsl;
    ThreadHook onThreadStart;
    ThreadHook onThreadEnd;
};

// "Exception name: <name> Info: <description>" on one line.
std::string GetTAOExceptionDescriptionString(const CORBA::Exception& e);

// The reason a NotFound gives, in the words of the lookup's report.
const char* NotFoundReasonText(CosNaming::NamingContext::NotFoundReason why);
