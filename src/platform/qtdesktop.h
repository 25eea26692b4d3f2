#pragma once
// The desktop operations on real Qt widgets.

#include "platform/desktop.h"

namespace kvo {

class QtDesktop final : public Desktop {
  public:
    std::optional<QString> chooseOpenFile(QWidget* owner, const QString& filter) override;
    bool askYesNo(QWidget* owner, const QString& text, const QString& caption) override;
    void showMessage(QWidget* owner, const QString& text, const QString& caption) override;
    void showError(const QString& message) override;
    void runModal(QDialog& window) override;
    void beep() override;
};

}  // namespace kvo
