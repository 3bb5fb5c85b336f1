// The ORB thread of a CCorbaWrapper and its end signal. The wrapper and the
// thread it runs share it: the teardown lets a thread that hangs go after
// 3 s, and such a thread still signals its end here when it finishes, after
// the wrapper is gone. When the ORB's run is over the thread sets `ended`
// under `mutex` and notifies endSignal once; StopOrbThread waits for `ended`
// itself, so an end that came before the wait began is not missed. A new
// thread starts with `ended` cleared, and with the ORB reference it runs
// handed over in `orb`.
#pragma once

#include <omniORB4/CORBA.h>

#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>

struct OrbThreadControl {
    OrbThreadControl() = default;
    OrbThreadControl(const OrbThreadControl&) = delete;
    OrbThreadControl& operator=(const OrbThreadControl&) = delete;
    // The thread is never joined: one still held is let go.
    ~OrbThreadControl() {
        if (thread.joinable()) thread.detach();
        CORBA::release(orb);
    }

    boost::thread thread;
    boost::mutex mutex;
    boost::condition_variable endSignal;
    // The thread that runs now has ended; written and read under mutex.
    bool ended = false;
    // The starter's own reference to the ORB, for the thread to take (under
    // mutex) before anything else: a teardown that comes before the thread
    // is scheduled destroys the ORB and drops the wrapper's reference.
    CORBA::ORB_ptr orb = CORBA::ORB::_nil();
};
