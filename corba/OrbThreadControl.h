// The ORB thread of a CCorbaWrapper and its end signal. The wrapper owns it;
// the thread notifies endSignal once when the ORB's run is over, without
// taking mutex, which only StopOrbThread holds while it waits.
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
};
