// Console stop requests on Windows: the run is told to stop, and the process lives on to unwind.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/interruption.h"

namespace kvo {
namespace {

// The system delivers console events on a thread of its own: wait for the flag a while.
bool InterruptedSoon() {
    for (int i = 0; i < 250 && !Interrupted(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Interrupted();
}

TEST(InterruptionGuard, CtrlCAndCtrlBreakAskTheRunToStop) {
    // Console events need a console; a test run with its output redirected may have none.
    AllocConsole();
    for (const DWORD event : {CTRL_C_EVENT, CTRL_BREAK_EVENT}) {
        ClearInterruption();
        {
            const InterruptionGuard guard;
            if (GenerateConsoleCtrlEvent(event, 0) == 0) {
                GTEST_SKIP() << "this console cannot deliver events (Wine without a terminal): "
                             << GetLastError();
            }
            EXPECT_TRUE(InterruptedSoon()) << event;
        }
        ClearInterruption();
    }
}

}  // namespace
}  // namespace kvo
