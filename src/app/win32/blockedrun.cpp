#include "app/win32/blockedrun.h"

#include <windows.h>

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

#include "app/win32/winwindow.h"

namespace kvo::win32 {
namespace {

constexpr UINT kProgressMessage = WM_APP + 1;
constexpr UINT kDoneMessage = WM_APP + 2;
constexpr const wchar_t* kRunnerClass = L"KVOCodecRunner";

// What the worker and the user-interface thread share during a run.
struct Run {
    const std::function<void(std::uint64_t)>& showProgress;
    std::atomic<std::uint64_t> latest{0};
    // One progress message waits in the queue at most: a fast run must not flood it.
    std::atomic<bool> queued{false};
    bool done = false;

    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kProgressMessage) {
            queued = false;
            showProgress(latest);
            return 0;
        }
        if (message == kDoneMessage) {
            done = true;
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
};

// A message-only window receives the worker's messages, so that no other loop's filtering can
// lose them.
HWND CreateRunner(Run& run) {
    RegisterWindowClass(kRunnerClass, WindowProcedureOf<Run>, nullptr, COLOR_WINDOW);
    return CreateWindowExW(0, kRunnerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           ProgramInstance(), &run);
}

// Menu and window commands that arrive as posted messages count as input too.
bool IsDroppedDuringRun(const MSG& message) {
    return IsUserInput(message.message) || message.message == WM_COMMAND ||
           message.message == WM_SYSCOMMAND || message.message == WM_CLOSE;
}

}  // namespace

bool IsUserInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) ||
           message == WM_NCMOUSEHOVER || message == WM_NCMOUSELEAVE || message == WM_MOUSEHOVER ||
           message == WM_MOUSELEAVE || message == WM_INPUT || message == WM_HOTKEY ||
           message == WM_CONTEXTMENU;
}

ConvertReport RunBlocked(const ConversionJob& job,
                         const std::function<void(std::uint64_t)>& showProgress) {
    Run run{showProgress};
    const HWND runner = CreateRunner(run);
    if (runner == nullptr) {
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "CreateWindowExW");
    }
    ConvertReport report;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            report = job([&](std::uint64_t at) {
                run.latest = at;
                if (!run.queued.exchange(true)) {
                    PostMessageW(runner, kProgressMessage, 0, 0);
                }
            });
        } catch (...) {
            failure = std::current_exception();
        }
        PostMessageW(runner, kDoneMessage, 0, 0);
    });
    bool quit = false;
    int quitCode = 0;
    MSG message{};
    while (!run.done) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // Kept for the loop outside: the run ends first.
            quit = true;
            quitCode = static_cast<int>(message.wParam);
            continue;
        }
        if (got == -1 || IsDroppedDuringRun(message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    worker.join();
    DestroyWindow(runner);
    if (quit) {
        PostQuitMessage(quitCode);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    showProgress(run.latest);
    return report;
}

}  // namespace kvo::win32
