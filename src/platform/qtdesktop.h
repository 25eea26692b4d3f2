#pragma once
// The desktop operations on real Qt widgets.

#include <string>

#include "platform/desktop.h"

namespace kvo {

class QtDesktop final : public Desktop {
  public:
    QtDesktop();

    std::optional<QString> chooseOpenFile(QWidget* owner, const QString& filter) override;
    bool askYesNo(QWidget* owner, const QString& text, const QString& caption) override;
    void showMessage(QWidget* owner, const QString& text, const QString& caption) override;
    void showError(const QString& message) override;
    void runModal(QDialog& window) override;
    void beep() override;

  private:
    // The folder the open dialog shows next: where it was left, for this run of the program
    // only; the program keeps nothing on disk.
    std::string fFolder;
};

}  // namespace kvo
