// Console stop requests on Windows: the first asks the run to stop and the process lives on to
// unwind; a second ends the process at once.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/interruption.h"

namespace kvo {
namespace {

// A console of the test's own: a run under a test driver may have none that takes events.
bool OwnConsole() {
    FreeConsole();
    return AllocConsole() != 0;
}

// The system delivers console events on a thread of its own: wait for the flag a while.
bool InterruptedSoon() {
    for (int i = 0; i < 250 && !Interrupted(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Interrupted();
}

TEST(InterruptionGuard, CtrlCAndCtrlBreakAskTheRunToStop) {
    ASSERT_TRUE(OwnConsole()) << GetLastError();
    for (const DWORD event : {CTRL_C_EVENT, CTRL_BREAK_EVENT}) {
        ClearInterruption();
        {
            const InterruptionGuard guard;
            if (GenerateConsoleCtrlEvent(event, 0) == 0) {
                // Wine sends no Ctrl+Break to a whole console.
                EXPECT_EQ(event, static_cast<DWORD>(CTRL_BREAK_EVENT)) << GetLastError();
                continue;
            }
            EXPECT_TRUE(InterruptedSoon()) << event;
        }
        ClearInterruption();
    }
}

TEST(InterruptionGuardDeathTest, ASecondRequestEndsTheProcessAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (!OwnConsole()) {
                std::exit(1);
            }
            const InterruptionGuard guard;
            GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
            if (!InterruptedSoon()) {
                std::exit(2);
            }
            GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
            Sleep(5000);
            std::exit(3);  // still running: the second request was not heeded
        },
        // The system's default handler ends the process: Windows says so in the exit code,
        // Wine exits with 0.
        [](int status) { return status == static_cast<int>(STATUS_CONTROL_C_EXIT) || status == 0; },
        "");
}

}  // namespace
}  // namespace kvo
