#pragma once
// The desktop operations the application relies on: file chooser, question and message boxes, the
// error box, modal windows and the beep. Tests replace them with a scripted fake.

#include <QString>
#include <optional>

class QDialog;
class QWidget;

namespace kvo {

class Desktop {
  public:
    virtual ~Desktop() = default;

    // Modal open-file dialog owned by `owner`; `filter` is "description|pattern|..." pairs.
    virtual std::optional<QString> chooseOpenFile(QWidget* owner, const QString& filter) = 0;
    // Yes/No question without icon, Yes the default; true for Yes.
    virtual bool askYesNo(QWidget* owner, const QString& text, const QString& caption) = 0;
    // Message with one OK button and no icon.
    virtual void showMessage(QWidget* owner, const QString& text, const QString& caption) = 0;
    // The application's error box for an error that ended a command.
    virtual void showError(const QString& message) = 0;
    // Shows `window` modally and returns when it is closed.
    virtual void runModal(QDialog& window) = 0;
    virtual void beep() = 0;
};

}  // namespace kvo
