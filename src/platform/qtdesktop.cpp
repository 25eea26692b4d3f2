#include "platform/qtdesktop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QMessageBox>
#include <filesystem>
#include <system_error>

#include "platform/errortext.h"
#include "platform/filename.h"
#include "platform/opendialog.h"

namespace kvo {

namespace {

std::string workingFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string("/") : folder.string();
}

}  // namespace

QtDesktop::QtDesktop() : fFolder(workingFolder()) {}

std::optional<QString> QtDesktop::chooseOpenFile(QWidget* owner, const QString& filter) {
    OpenFileDialog dialog(owner, filter, fFolder);
    dialog.exec();
    fFolder = dialog.folder();
    if (!dialog.chosenFile()) {
        return std::nullopt;
    }
    return decodeFileName(*dialog.chosenFile());
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
