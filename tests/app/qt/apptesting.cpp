#include "apptesting.h"

#include <QInputDevice>
#include <QPointingDevice>

namespace kvo::test {

void ensureApplication() {
    static int argc = 1;
    static char name[] = "kvo_app_tests";
    static char* argv[] = {name, nullptr};
    static const auto application = [] {
        auto made = std::make_unique<QApplication>(argc, argv);
        // The input devices are made now, so that Qt's list of them outlives the application
        // at exit: made later (by a test's first mouse event), the list went first and the
        // devices' destructors crashed.
        QPointingDevice::primaryPointingDevice();
        QInputDevice::primaryKeyboard();
        return made;
    }();
}

Windows::Windows(const VersionInfoFile& versionFile, const QString& executablePath)
    : applicationReady((ensureApplication(), true)),
      mainForm(desktop, versionFile, executablePath),
      headForm(mainForm.headForm()),
      aboutDlg(mainForm.aboutDlg()) {}

QPlainTextEdit& Windows::summary() const {
    return *mainForm.findChild<QPlainTextEdit*>("Memo1");
}
QComboBox& Windows::blockSizes() const {
    return *mainForm.findChild<QComboBox*>("BlockSizeComboBox");
}
QProgressBar& Windows::progress() const {
    return *mainForm.findChild<QProgressBar*>("ProgressBar1");
}
QAction& Windows::action(const char* name) const {
    return *mainForm.findChild<QAction*>(name);
}

QStringList Windows::summaryLines() const {
    return summary().toPlainText().split('\n');
}
QStringList Windows::passportLines() const {
    return headForm.Memo1().toPlainText().split('\n');
}
QStringList Windows::blockSizeItems() const {
    QStringList items;
    for (int i = 0; i < blockSizes().count(); ++i) {
        items << blockSizes().itemText(i);
    }
    return items;
}

void Windows::open(const std::filesystem::path& path) {
    desktop.setNextFileName(QString::fromStdString(path.string()));
    action("Action1").trigger();
}

}  // namespace kvo::test
