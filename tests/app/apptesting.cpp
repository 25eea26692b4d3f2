#include "apptesting.h"

#include <QInputDevice>
#include <QPointingDevice>
#include <cstdlib>
#include <fstream>
#include <iterator>

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

std::filesystem::path cleanFolder(const std::string& name) {
    const char* root = std::getenv("KVO_TEST_TMP");
    const auto folder = std::filesystem::path(root ? root : "/tmp") / "app" / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes plainRecording(std::size_t dataBytes) {
    Bytes bytes = {'R',  'e',  'c', 'K', 'v', 'o',              // Signature
                   24,   0,    0,   0,                          // PassportLength
                   0x9A, 0x02,                                  // BoardNumber 666
                   0,    0,                                     // no channels
                   0,    0,    0,   0,   0,   0,   0x59, 0x40,  // StartTime 100.0
                   0,    0};
    for (std::size_t i = 0; i < dataBytes; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(i % 6 == 0 ? (i / 6) % 100 : 7));
    }
    return bytes;
}

const VersionInfoFile& noVersionFile() {
    static const NoVersionFile none;
    return none;
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
