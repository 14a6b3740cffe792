#include "capture/StopSignals.h"

#include <signal.h>

#include <atomic>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

std::atomic<int> caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler stores it");

// True for the first stop only.
bool Caught(int signalNumber) {
    int none = 0;
    return caughtSignal.compare_exchange_strong(none, signalNumber);
}

#if defined(_WIN32)

// Windows calls this on a thread of its own.
BOOL WINAPI CaughtConsoleEvent(DWORD event) {
    int signalNumber = 0;
    switch (event) {
        case CTRL_C_EVENT: signalNumber = SIGINT; break;
        case CTRL_BREAK_EVENT: signalNumber = SIGBREAK; break;
        case CTRL_CLOSE_EVENT: signalNumber = SIGTERM; break;
        default: return FALSE;
    }
    // A second one goes on to Windows' own handling, which ends the program.
    if (!Caught(signalNumber)) return FALSE;
    // The program ends as soon as this returns from a close: wait here
    // while the capture stops and ends it.
    if (event == CTRL_CLOSE_EVENT) Sleep(INFINITE);
    return TRUE;
}

#else

void CaughtSignal(int signalNumber) { Caught(signalNumber); }

#endif

}  // namespace

void CatchStopSignals() {
#if defined(_WIN32)
    SetConsoleCtrlHandler(CaughtConsoleEvent, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = CaughtSignal;
    sigemptyset(&action.sa_mask);
    // Calls under way go on; the next signal is handled the default way.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaction(signalNumber, &action, nullptr);
#endif
}

bool StopRequested() { return caughtSignal.load() != 0; }

int StopSignal() { return caughtSignal.load(); }

const char* StopSignalName() {
    switch (caughtSignal.load()) {
#if defined(_WIN32)
        case SIGINT: return "Ctrl-C";
        case SIGBREAK: return "Ctrl-Break";
        case SIGTERM: return "closing the console";
#else
        case SIGINT: return "SIGINT";
        case SIGTERM: return "SIGTERM";
        case SIGHUP: return "SIGHUP";
#endif
        default: return "no signal";
    }
}

int StopExitStatus() { return 128 + caughtSignal.load(); }
