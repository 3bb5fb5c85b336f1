// Ctrl-C (SIGINT) and SIGTERM while a task is waited for, or while a long
// read (a listing, a log) goes on: the wait or the read ends, not the
// program, so the console line is ended, the user is told that the task runs
// on or that nothing more was read, and the session is closed as on any
// other end. The handlers are one-shot: a second signal takes the default
// action at once. Outside a wait and those reads the signals keep their
// default action.
#pragma once

#include <chrono>

namespace console {

class WaitInterruption {
public:
    // Catches SIGINT and SIGTERM once each, until the object goes.
    WaitInterruption();
    ~WaitInterruption();
    WaitInterruption(const WaitInterruption&) = delete;
    WaitInterruption& operator=(const WaitInterruption&) = delete;

    // The signal caught since the object was made; 0 when none.
    static int Caught();
};

// What ends the wait: main exits with 128 and the signal's number.
struct WaitInterrupted {
    int signal;
};

// Sleeps for d, and returns early when a signal is caught.
void InterruptibleSleep(std::chrono::milliseconds d);

}  // namespace console
