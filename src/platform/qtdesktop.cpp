#include "platform/qtdesktop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "platform/errortext.h"
#include "platform/openfilter.h"

namespace kvo {

std::optional<QString> QtDesktop::chooseOpenFile(QWidget* owner, const QString& filter) {
    const QString path =
        QFileDialog::getOpenFileName(owner, QString(), QString(), toQtFilter(filter));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path;
}

bool QtDesktop::askYesNo(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtDesktop::showMessage(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

void QtDesktop::showError(const QString& message) {
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(),
                    QString::fromStdString(errorBoxText(message.toStdString())), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void QtDesktop::runModal(QDialog& window) {
    window.exec();
}

void QtDesktop::beep() {
    QApplication::beep();
}

}  // namespace kvo
