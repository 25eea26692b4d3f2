#pragma once
// The system's boxes and dialogs as the Win32 windows use them: the open-file dialog, the
// question, message and error boxes, modal windows and the beep. Tests replace them, since each
// waits for a person.

#include <windows.h>

#include <optional>
#include <string>

namespace kvo::win32 {

class WinDesktop {
  public:
    virtual ~WinDesktop() = default;

    // Modal open-file dialog; `filter` is "description|pattern|..." pairs. The path as UTF-8.
    virtual std::optional<std::string> chooseOpenFile(HWND owner, const std::string& filter) = 0;
    // Yes/No question without icon, Yes the default; true for Yes.
    virtual bool askYesNo(HWND owner, const std::string& text, const std::string& caption) = 0;
    // A message with one OK button and no icon.
    virtual void showMessage(HWND owner, const std::string& text, const std::string& caption) = 0;
    // The application's error box.
    virtual void showError(HWND owner, const std::string& text) = 0;
    // Shows `window` with `owner` disabled and returns once it is hidden again.
    virtual void runModal(HWND window, HWND owner) = 0;
    virtual void beep() = 0;
};

// The real ones.
class SystemDesktop final : public WinDesktop {
  public:
    std::optional<std::string> chooseOpenFile(HWND owner, const std::string& filter) override;
    bool askYesNo(HWND owner, const std::string& text, const std::string& caption) override;
    void showMessage(HWND owner, const std::string& text, const std::string& caption) override;
    void showError(HWND owner, const std::string& text) override;
    void runModal(HWND window, HWND owner) override;
    void beep() override;
};

// "a|b|c|d" as the open dialog's list: each part ends with a NUL, the list with a second one.
std::wstring DialogFilter(const std::string& pairs);
// The title of the error box: the executable's file name without its extension.
std::wstring ApplicationTitle();

}  // namespace kvo::win32
