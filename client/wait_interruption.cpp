#include "client/wait_interruption.h"

#include <signal.h>
#include <time.h>

#include <cerrno>

namespace console {
namespace {

volatile sig_atomic_t caught = 0;
struct sigaction previousInt, previousTerm;

void Note(int signal) {
    caught = signal;
}

}  // namespace

WaitInterruption::WaitInterruption() {
    caught = 0;
    struct sigaction action = {};
    action.sa_handler = Note;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;  // the second signal ends the program
    sigaction(SIGINT, &action, &previousInt);
    sigaction(SIGTERM, &action, &previousTerm);
}

WaitInterruption::~WaitInterruption() {
    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
}

int WaitInterruption::Caught() {
    return caught;
}

void InterruptibleSleep(std::chrono::milliseconds d) {
    timespec left = {static_cast<time_t>(d.count() / 1000),
                     static_cast<long>(d.count() % 1000) * 1000000L};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR && !caught) {
    }
}

}  // namespace console
