#include "client/deadline.h"

#include <unistd.h>

ProcessDeadline::ProcessDeadline(std::chrono::milliseconds after, std::function<int()> atExpiry) {
    timer = std::thread([this, after, atExpiry = std::move(atExpiry)] {
        std::unique_lock<std::mutex> lock(mutex);
        if (cancelled.wait_for(lock, after, [this] { return cancel; })) return;
        lock.unlock();
        ::_exit(atExpiry());
    });
}

ProcessDeadline::~ProcessDeadline() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        cancel = true;
    }
    cancelled.notify_one();
    timer.join();
}

std::unique_ptr<ProcessDeadline> ArmProcessDeadline(std::chrono::milliseconds after,
                                                    std::function<int()> atExpiry) {
    return std::make_unique<ProcessDeadline>(after, std::move(atExpiry));
}

std::unique_ptr<ProcessDeadline> NeverExpires(std::chrono::milliseconds, std::function<int()>) {
    return nullptr;
}
