// The ORB thread of a CCorbaWrapper and its end signal. The wrapper owns it.
// When the ORB's run is over the thread sets `ended` under `mutex` and
// notifies endSignal once; StopOrbThread waits for `ended` itself, so an end
// that came before the wait began is not missed. A new thread starts with
// `ended` cleared.
#pragma once

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
    }

    boost::thread thread;
    boost::mutex mutex;
    boost::condition_variable endSignal;
    // The thread that runs now has ended; written and read under mutex.
    bool ended = false;
};
