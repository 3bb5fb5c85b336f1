#include "corba/CCorbaWrapper.h"

#include <boost/bind/bind.hpp>
#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <boost/thread/thread_time.hpp>
#include <exception>
#include <iostream>

#include "client/CCommonException.h"
#include "corba/OrbThreadControl.h"
#include "corba/dead_peer.h"
#include "corba/exception_info.h"
#include "corba/initial_references.h"
#include "corba/orb_options.h"
#include "corba/peer_probe.h"
#include "utility/strings.h"
#include "utility/system.h"

namespace {

constexpr int kTeardownAttempts = 5;

// The pause between two teardown attempts.
void SleepBeforeNextAttempt() {
    boost::this_thread::sleep(boost::posix_time::milliseconds(200));
}

const wchar_t* OrEmpty(const wchar_t* text) {
    return text ? text : L"";
}

// The thread control, or null when memory ran out.
std::shared_ptr<OrbThreadControl> NewThreadControl() {
    try {
        return std::make_shared<OrbThreadControl>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

CCorbaWrapper::CCorbaWrapper()
    : threadControl(NewThreadControl()),
      orb(CORBA::ORB::_nil()),
      rootPoa(PortableServer::POA::_nil()),
      usePresetArguments(false),
      dropNameServiceRef(true),
      useSsl(false),
      onThreadStart(nullptr),
      onThreadEnd(nullptr) {
    iorHostName = CVLib::system::GetComputerNetworkName();
}

CCorbaWrapper::~CCorbaWrapper() {
    DisconnectNS();
    // A thread still held (a teardown that failed before it stopped the
    // thread) is let go here: the handle keeps the thread's functor, which
    // shares the control, and held it would keep both for good. A thread let
    // go keeps the control until it ends.
    if (threadControl && threadControl->thread.joinable()) threadControl->thread.detach();
    threadControl.reset();
}

void CCorbaWrapper::EchoError(const char* message, const char* exceptionName,
                              const char* exceptionInfo, bool throwException) {
    std::string text;
    for (const char* part : {message, exceptionName, exceptionInfo}) {
        if (part) text.append(part).append("\n");
    }
    std::cerr << text;
    std::cerr.flush();
    if (!throwException) return;
    const CCommonException failure(CVLib::strings::toWstr(text).c_str(), nullptr, nullptr, 0);
    // Called while a CORBA exception is handled, the failure carries it: the
    // sweep tells a lost Coordinator by it, and the JSON document names it.
    if (std::current_exception()) std::throw_with_nested(failure);
    throw failure;
}

int CCorbaWrapper::InitORBAndRunInThread(int argc, wchar_t** argv, const wchar_t* orbId) {
    DestroyPOA();
    DestroyOrb();
    orb = GetNewOrb(argc, argv, orbId);
    if (CORBA::is_nil(orb)) return 1;
    {
        // The first request to the naming service, made before the ORB
        // thread runs: a Coordinator that does not answer stops us here.
        CosNaming::NamingContext_var root;
        if (GetRootContext(root) != 0) return 1;
    }
    InitPOA();
    if (!StartOrbThread()) return 1;
    return 0;
}

CORBA::ORB_ptr CCorbaWrapper::GetNewOrb(int argc, wchar_t** argv, const wchar_t* orbId) {
    if (argc == 0 && argv == nullptr) return CORBA::ORB::_nil();
    // omniORB keeps one ORB and names it itself.
    (void)orbId;
    InstallDeadPeerHandler();
    try {
        OmniOrbArguments arguments = TranslateOrbArguments(argc, argv);
        return CORBA::ORB_init(arguments.Count(), arguments.Vector(), arguments.OrbId().c_str());
    } catch (const CORBA::Exception& e) {
        EchoError("An error occurred while initializing the ORB", e._name(),
                  ExceptionInfo(e).c_str(), true);
    } catch (...) {
        EchoError("Unknown error occurred while initializing the ORB", nullptr, nullptr, true);
    }
    return CORBA::ORB::_nil();
}

int CCorbaWrapper::InitPOA() {
    try {
        CORBA::Object_var object = orb->resolve_initial_references("RootPOA");
        rootPoa = PortableServer::POA::_narrow(object);
        PortableServer::POAManager_var manager = rootPoa->the_POAManager();
        manager->activate();
        return 0;
    } catch (const CORBA::Exception& e) {
        EchoError("An error occurred while initializing the POA", e._name(),
                  ExceptionInfo(e).c_str(), true);
    } catch (...) {
        EchoError("Unknown error occurred while initializing the POA", nullptr, nullptr, true);
    }
    return 1;
}

bool CCorbaWrapper::StartOrbThread() {
    if (!threadControl) return false;
    {
        // The thread let go by an earlier teardown ended already or never
        // will in time; its signal belongs to the thread that starts now.
        boost::lock_guard<boost::mutex> lock(threadControl->mutex);
        threadControl->ended = false;
        CORBA::release(threadControl->orb);
        threadControl->orb = CORBA::ORB::_duplicate(orb);
    }
    boost::thread started(
        boost::bind(&CCorbaWrapper::OrbThreadFunc, threadControl, onThreadStart, onThreadEnd));
    // A thread held from before is let go, never joined.
    if (threadControl->thread.joinable()) threadControl->thread.detach();
    threadControl->thread = boost::move(started);
    return IsOrbThreadRunning();
}

bool CCorbaWrapper::IsOrbThreadRunning() const {
    return threadControl && threadControl->thread.get_id() != boost::thread::id();
}

void CCorbaWrapper::OrbThreadFunc(std::shared_ptr<OrbThreadControl> control, ThreadHook onStart,
                                  ThreadHook onEnd) {
    // The thread runs the ORB through the reference its starter took for
    // it: run() still reads the ORB object after shutdown wakes it, and a
    // thread scheduled late finds the ORB destroyed and the wrapper's
    // reference gone (run() then raises, and the thread ends).
    CORBA::ORB_var orb;
    {
        boost::lock_guard<boost::mutex> lock(control->mutex);
        orb = control->orb;
        control->orb = CORBA::ORB::_nil();
    }
    try {
        if (onStart) onStart();
        if (!CORBA::is_nil(orb)) orb->run();
        if (onEnd) onEnd();
    } catch (...) {
        // The thread has nobody to report to; its owner learns of the end
        // from the signal below.
    }
    {
        boost::lock_guard<boost::mutex> lock(control->mutex);
        control->ended = true;
    }
    control->endSignal.notify_one();
}

void CCorbaWrapper::StopOrbThread() {
    if (!IsOrbThreadRunning()) return;
    boost::unique_lock<boost::mutex> lock(threadControl->mutex);
    // The thread has usually ended already (shutdown waited for its run to
    // return): its kept signal ends the wait at once. One that hangs gets 3 s.
    OrbThreadControl& control = *threadControl;
    control.endSignal.timed_wait(lock, boost::get_system_time() + boost::posix_time::seconds(3),
                                 [&control] { return control.ended; });
    // The ORB thread reaches no interruption point; the request stops
    // nothing but is all that can be asked of it.
    threadControl->thread.interrupt();
    threadControl->thread.detach();
    threadControl->thread = boost::thread();
}

void CCorbaWrapper::DestroyPOA() {
    const char* const kFailed = "An error occurred while POA destruction";
    bool done = false;
    for (int attempt = 0; attempt < kTeardownAttempts && !done; ++attempt) {
        if (CORBA::is_nil(rootPoa)) break;
        try {
            rootPoa->destroy(true, true);
            done = true;
        } catch (const CORBA::SystemException& e) {
            EchoError(kFailed, e._name(), ExceptionInfo(e).c_str(), false);
            SleepBeforeNextAttempt();
        }
    }
    if (!done && !CORBA::is_nil(rootPoa)) {
        try {
            rootPoa->destroy(true, false);
        } catch (const CORBA::Exception& e) {
            EchoError(kFailed, e._name(), ExceptionInfo(e).c_str(), false);
        }
    }
    rootPoa = PortableServer::POA::_nil();
}

void CCorbaWrapper::DestroyOrb() {
    if (dropNameServiceRef && !CORBA::is_nil(orb)) {
        try {
            UnregisterInitialReference(orb, "NameService");
        } catch (const CORBA::Exception& e) {
            EchoError("An error occurred while trying to unregister initial reference", e._name(),
                      ExceptionInfo(e).c_str(), false);
        }
    }
    if (IsOrbThreadRunning()) {
        bool done = false;
        for (int attempt = 0; attempt < kTeardownAttempts && !done; ++attempt) {
            if (CORBA::is_nil(orb)) break;
            try {
                orb->shutdown(true);
                done = true;
            } catch (const CORBA::SystemException&) {
                SleepBeforeNextAttempt();
            }
        }
        if (!done && !CORBA::is_nil(orb)) {
            try {
                orb->shutdown(false);
            } catch (const CORBA::Exception&) {
                // The destroy below tries again and reports.
            }
        }
    }
    try {
        if (!CORBA::is_nil(orb)) {
            orb->destroy();
            orb = CORBA::ORB::_nil();
        }
        StopOrbThread();
    } catch (const CORBA::Exception& e) {
        EchoError("An error occurred while stopping the ORB", e._name(), ExceptionInfo(e).c_str(),
                  false);
    }
}

void CCorbaWrapper::DisconnectNS() {
    DestroyPOA();
    DestroyOrb();
}

std::string GetTAOExceptionDescriptionString(const CORBA::Exception& e) {
    return std::string("Exception name: ") + e._name() + " Info: " + ExceptionInfo(e);
}

int CCorbaWrapper::InitORBConnectedToNS(const wchar_t* host, const wchar_t* port) {
    const std::wstring hostText = OrEmpty(host);
    const std::wstring portText = OrEmpty(port);
    if (!CORBA::is_nil(orb) && hostText == nsHost && portText == nsPort) return 0;
    if (!IsPortOpened(hostText.c_str(), portText.c_str())) {
        const std::wstring message =
            L"NameService port checking failed on " + hostText + L":" + portText;
        // The report names the wrapper's file and this line as fixed texts,
        // whatever this code's position: users' scripts match them.
        throw CCommonException(message.c_str(), L"CCorbaWrapper::InitORBConnectedToNS",
                               L"CCorbaWrapper.cpp", 173);
    }
    int result;
    if (usePresetArguments) {
        result = InitORBAndRunInThread(presetArguments.Count(), presetArguments.Vector(),
                                       hostText.c_str());
    } else {
        FillOrbArguments(hostText.c_str(), portText.c_str());
        result =
            InitORBAndRunInThread(orbArguments.Count(), orbArguments.Vector(), hostText.c_str());
    }
    if (result != 0) return result;
    nsHost = hostText;
    nsPort = portText;
    return 0;
}

bool CCorbaWrapper::IsPortOpened(const wchar_t* host, const wchar_t* port) {
    return TcpPortAccepts(CVLib::strings::toAstr(host), CVLib::strings::toAstr(port),
                          kPortProbeSeconds);
}

void CCorbaWrapper::FillOrbArguments(const wchar_t* host, const wchar_t* port) {
    BuildOrbArguments(orbArguments, OrEmpty(host), OrEmpty(port),
                      {useSsl, listenAddress, iorHostName, orbDebugLevel, orbLogFile});
}
