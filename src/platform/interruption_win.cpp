#include <windows.h>

#include <atomic>

#include "platform/interruption.h"

namespace kvo {
namespace {

// Closing the console ends the process as soon as the handler returns, and the system allows
// the handler about five seconds: the run is given most of them to remove its unfinished output.
constexpr DWORD kCloseGraceMs = 4500;
constexpr DWORD kPollMs = 20;

std::atomic<bool> gRunGuarded{false};
std::atomic<bool> gRequestSeen{false};

// Runs on a thread the system starts for each event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    if (gRequestSeen.exchange(true)) {
        return FALSE;  // a second request takes the default way out, which ends the process
    }
    RequestInterruption();
    if (event == CTRL_CLOSE_EVENT) {
        for (DWORD waited = 0; gRunGuarded.load() && waited < kCloseGraceMs; waited += kPollMs) {
            Sleep(kPollMs);
        }
    }
    return TRUE;
}

}  // namespace

struct InterruptionGuard::TPrevious {
    bool handlerAdded = false;
};

InterruptionGuard::InterruptionGuard() : fPrevious(std::make_unique<TPrevious>()) {
    gRequestSeen.store(false);
    gRunGuarded.store(true);
    fPrevious->handlerAdded = SetConsoleCtrlHandler(&OnConsoleEvent, TRUE) != 0;
}

InterruptionGuard::~InterruptionGuard() {
    if (fPrevious->handlerAdded) {
        SetConsoleCtrlHandler(&OnConsoleEvent, FALSE);
    }
    gRunGuarded.store(false);
}

}  // namespace kvo
