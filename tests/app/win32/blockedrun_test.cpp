// A conversion on its own thread: the windows keep painting, a person's input is dropped, the
// progress arrives on the window's thread and the job's error comes back to it.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/win32/blockedrun.h"
#include "app/win32/winwindow.h"
#include "wintesting.h"

namespace kvo::test {
namespace {

constexpr UINT kSeen = WM_APP + 7;

// A visible-to-nobody window that counts what reaches it.
struct Witness {
    Witness() {
        win32::RegisterWindowClass(L"KVOTestWitness", win32::WindowProcedureOf<Witness>, nullptr,
                                   COLOR_WINDOW);
        window = CreateWindowExW(0, L"KVOTestWitness", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                 nullptr, nullptr, win32::ProgramInstance(), this);
        ShowWindow(window, SW_SHOWNOACTIVATE);  // only a shown window is painted
    }
    ~Witness() { DestroyWindow(window); }
    Witness(const Witness&) = delete;
    Witness& operator=(const Witness&) = delete;

    LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_PAINT) {
            PAINTSTRUCT paint{};
            BeginPaint(hwnd, &paint);
            EndPaint(hwnd, &paint);
            ++paints;
            return 0;
        }
        if (message == kSeen) {
            ++seen;
            return 0;
        }
        if (win32::IsUserInput(message) || message == WM_COMMAND || message == WM_CLOSE) {
            ++inputs;
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND window = nullptr;
    std::atomic<int> paints{0};
    std::atomic<int> seen{0};
    std::atomic<int> inputs{0};
};

// Waits on the worker until `done` holds, at most a few seconds.
template <class Condition>
bool WaitFor(Condition done) {
    for (int i = 0; i < 500 && !done(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

TEST(Win32BlockedRun, DropsInputWhilePaintingGoesOn) {
    Witness w;
    DrainMessages();
    const int paintsBefore = w.paints;
    bool painted = false;
    bool delivered = false;
    win32::RunBlocked(
        [&](const ProgressFn&) {
            for (const UINT input : {WM_KEYDOWN, WM_CHAR, WM_LBUTTONDOWN, WM_LBUTTONUP,
                                     WM_NCLBUTTONDOWN, WM_RBUTTONDOWN, WM_MOUSEWHEEL}) {
                PostMessageW(w.window, input, 0, 0);
            }
            PostMessageW(w.window, WM_COMMAND, 101, 0);
            PostMessageW(w.window, WM_CLOSE, 0, 0);
            PostMessageW(w.window, kSeen, 0, 0);
            InvalidateRect(w.window, nullptr, TRUE);
            painted = WaitFor([&] { return w.paints > paintsBefore; });
            delivered = WaitFor([&] { return w.seen > 0; });
            return ConvertReport{};
        },
        [](std::uint64_t) {});
    EXPECT_TRUE(painted);
    EXPECT_TRUE(delivered);
    DrainMessages();
    // Dropped, not put off: nothing arrives after the run either.
    EXPECT_EQ(w.inputs, 0);
    EXPECT_TRUE(IsWindow(w.window));
}

TEST(Win32BlockedRun, ProgressReachesTheCallersThreadAndEndsAtTheLastPosition) {
    const DWORD uiThread = GetCurrentThreadId();
    std::vector<std::uint64_t> shown;
    bool onUiThread = true;
    const ConvertReport report = win32::RunBlocked(
        [](const ProgressFn& progress) {
            for (std::uint64_t at = 1; at <= 20000; ++at) {
                progress(at);
            }
            ConvertReport r;
            r.droppedBytes = 5;
            return r;
        },
        [&](std::uint64_t at) {
            onUiThread = onUiThread && GetCurrentThreadId() == uiThread;
            shown.push_back(at);
        });
    EXPECT_EQ(report.droppedBytes, 5u);
    EXPECT_TRUE(onUiThread);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), 20000u);
    // Coalesced: far fewer deliveries than reports.
    EXPECT_LT(shown.size(), 20000u);
}

TEST(Win32BlockedRun, TheJobsErrorIsThrownOnTheCallersThread) {
    Witness w;
    EXPECT_THROW(
        {
            try {
                win32::RunBlocked(
                    [](const ProgressFn&) -> ConvertReport { throw std::runtime_error("x"); },
                    [](std::uint64_t) {});
            } catch (const std::runtime_error& error) {
                EXPECT_STREQ(error.what(), "x");
                throw;
            }
        },
        std::runtime_error);
    // A quit request during the run is kept for the loop outside.
    win32::RunBlocked([](const ProgressFn&) { return ConvertReport{}; },
                      [](std::uint64_t) { PostQuitMessage(3); });
    MSG message{};
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
}  // namespace kvo::test
