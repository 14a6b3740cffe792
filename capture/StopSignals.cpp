#include "capture/StopSignals.h"

#include <signal.h>

#include <atomic>

namespace {

std::atomic<int> caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler stores it");

void Caught(int signalNumber) {
    int none = 0;
    caughtSignal.compare_exchange_strong(none, signalNumber);
}

}  // namespace

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = Caught;
    sigemptyset(&action.sa_mask);
    // Calls under way go on; the next signal is handled the default way.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaction(signalNumber, &action, nullptr);
}

bool StopRequested() { return caughtSignal.load() != 0; }

int StopSignal() { return caughtSignal.load(); }

const char* StopSignalName() {
    switch (caughtSignal.load()) {
        case SIGINT: return "SIGINT";
        case SIGTERM: return "SIGTERM";
        case SIGHUP: return "SIGHUP";
        default: return "no signal";
    }
}

int StopExitStatus() { return 128 + caughtSignal.load(); }
