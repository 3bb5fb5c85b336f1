// A deadline for the whole process. At its expiry `atExpiry` runs on a
// thread of its own, and the process ends there with the code it answers,
// whatever the main thread is doing: a call that a frozen peer never answers
// included, and the ORB's teardown too. Nothing is unwound; whatever must
// reach the user, atExpiry writes and flushes itself.
//
// Cancelled when the object goes; the destructor waits for the timer thread,
// which by then only wakes up to end.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class ProcessDeadline {
public:
    ProcessDeadline(std::chrono::milliseconds after, std::function<int()> atExpiry);
    ~ProcessDeadline();
    ProcessDeadline(const ProcessDeadline&) = delete;
    ProcessDeadline& operator=(const ProcessDeadline&) = delete;

private:
    std::mutex mutex;
    std::condition_variable cancelled;
    bool cancel = false;
    std::thread timer;
};

// How whoever makes a reporter with a deadline arms it: the program arms a
// ProcessDeadline (ArmProcessDeadline); runs inside a test's process arm
// none (NeverExpires), since ending the process would end the test binary.
// What it answers is the armed deadline, held while the reporter lives.
using DeadlineArm = std::function<std::unique_ptr<ProcessDeadline>(std::chrono::milliseconds after,
                                                                   std::function<int()> atExpiry)>;

std::unique_ptr<ProcessDeadline> ArmProcessDeadline(std::chrono::milliseconds after,
                                                    std::function<int()> atExpiry);
std::unique_ptr<ProcessDeadline> NeverExpires(std::chrono::milliseconds after,
                                              std::function<int()> atExpiry);
