// The ORB thread against its teardown: a thread that hangs past the 3 s the
// teardown waits is let go, and runs on after the wrapper is destroyed. It
// must touch only what it holds; under AddressSanitizer (make sanitize) a
// read of the freed wrapper ends this test with a report.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "corba/CCorbaWrapper.h"
#include "harness/proc.h"

namespace {

std::mutex gateMutex;
std::condition_variable gateChanged;
bool held = false;    // the thread is in its end hook
bool opened = false;  // the hook may return

// The end hook: holds the ORB thread until the test opens the gate.
void HoldTheThread() {
    std::unique_lock<std::mutex> lock(gateMutex);
    held = true;
    gateChanged.notify_all();
    gateChanged.wait(lock, [] { return opened; });
}

int ThreadsOfThisProcess() {
    return harness::Load(::getpid())->threads;
}

TEST(OrbThread, LetGoByTheTeardownItRunsOnWithoutTheWrapper) {
    const int before = ThreadsOfThisProcess();
    auto wrapper = std::make_unique<CCorbaWrapper>();
    // Without an ORB the thread goes straight to its end hook.
    wrapper->SetThreadHooks(nullptr, HoldTheThread);
    ASSERT_TRUE(wrapper->StartOrbThread());
    {
        std::unique_lock<std::mutex> lock(gateMutex);
        gateChanged.wait(lock, [] { return held; });
    }
    // The teardown waits its 3 s, lets the thread go and frees the wrapper.
    wrapper.reset();
    {
        std::lock_guard<std::mutex> lock(gateMutex);
        opened = true;
    }
    gateChanged.notify_all();
    // The thread now signals its end and exits; the case ends after it has.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (ThreadsOfThisProcess() > before && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ThreadsOfThisProcess(), before);
}

}  // namespace
