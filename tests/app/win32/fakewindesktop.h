#pragma once
// A desktop for the Win32 window tests: it answers dialogs from queues and records every box and
// modal window instead of waiting for a person.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "answerqueue.h"
#include "app/win32/windesktop.h"

namespace kvo::test {

struct ShownBox {
    HWND owner;
    std::string text;
    std::string caption;
    bool operator==(const ShownBox&) const = default;
};

class FakeWinDesktop final : public win32::WinDesktop {
  public:
    void setNextFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
    void setNextAnswer(bool yes) { answers_.push_back(yes); }

    std::optional<std::string> chooseOpenFile(HWND owner, const std::string& filter) override {
        dialogOwner = owner;
        lastFilter = filter;
        return TakeNext(files_, std::optional<std::string>());
    }
    bool askYesNo(HWND owner, const std::string& text, const std::string& caption) override {
        questions.push_back({owner, text, caption});
        return TakeNext(answers_, false);
    }
    void showMessage(HWND owner, const std::string& text, const std::string& caption) override {
        messages.push_back({owner, text, caption});
    }
    void showError(HWND owner, const std::string& text) override {
        errors.push_back({owner, text, {}});
    }
    void runModal(HWND window, HWND owner) override { modals.push_back({window, owner}); }
    void beep() override { ++beeps; }

    struct Modal {
        HWND window;
        HWND owner;
        bool operator==(const Modal&) const = default;
    };
    HWND dialogOwner = nullptr;
    std::string lastFilter;
    std::vector<ShownBox> questions;
    std::vector<ShownBox> messages;
    std::vector<ShownBox> errors;
    std::vector<Modal> modals;
    int beeps = 0;

  private:
    std::deque<std::optional<std::string>> files_;
    std::deque<bool> answers_;
};

}  // namespace kvo::test
