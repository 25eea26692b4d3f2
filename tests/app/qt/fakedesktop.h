#pragma once
// A scripted desktop for headless window tests: answers come from queues, and everything shown is
// recorded instead of waiting for a person.

#include <QDialog>
#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/desktop.h"

namespace kvo::test {

struct ShownBox {
    QString text;
    QString caption;
    QWidget* owner = nullptr;
};

class FakeDesktop final : public Desktop {
  public:
    // The next file dialog returns `path`; nullopt cancels it.
    void setNextFileName(const std::optional<QString>& path) {
        fileNames_.push_back(path.value_or(QString()));
    }
    void setNextAnswer(bool yes) { answers_.push_back(yes); }

    std::optional<QString> chooseOpenFile(QWidget* owner, const QString& filter) override {
        lastFilter = filter;
        dialogOwner = owner;
        if (fileNames_.empty()) {
            return std::nullopt;
        }
        const QString next = fileNames_.front();
        fileNames_.pop_front();
        if (next.isNull()) {
            return std::nullopt;
        }
        return next;
    }
    bool askYesNo(QWidget* owner, const QString& text, const QString& caption) override {
        questions.push_back({text, caption, owner});
        if (whileAsking) {
            whileAsking();
        }
        if (answers_.empty()) {
            return false;
        }
        const bool yes = answers_.front();
        answers_.pop_front();
        return yes;
    }
    void showMessage(QWidget* owner, const QString& text, const QString& caption) override {
        messages.push_back({text, caption, owner});
    }
    void showError(const QString& message) override { errors.push_back(message); }
    void runModal(QDialog& window) override { modals.push_back(&window); }
    void beep() override { ++beeps; }

    std::function<void()> whileAsking;  // what else happens while a question is open
    QString lastFilter;
    QWidget* dialogOwner = nullptr;
    std::vector<ShownBox> questions;
    std::vector<ShownBox> messages;
    std::vector<QString> errors;
    std::vector<QDialog*> modals;
    int beeps = 0;

  private:
    std::deque<QString> fileNames_;  // a null string cancels
    std::deque<bool> answers_;
};

}  // namespace kvo::test
