// Start-up: the main window (which then creates the passport window and the about box), the file
// named as the one argument if there is one, then the event loop.

#include <QApplication>
#include <QTimer>

#include "app/qt/artwork.h"
#include "app/qt/kvocodecform.h"
#include "model/beep.h"
#include "platform/filename.h"
#include "platform/interruption.h"
#include "platform/qtdesktop.h"
#include "platform/versioninfofile.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setWindowIcon(kvo::paintApplicationIcon());
    kvo::setBeepHook([] { QApplication::beep(); });

    kvo::QtDesktop desktop;
    const kvo::ExecutableVersionInfoFile versionFile;
    kvo::TKVOCodecForm mainForm(desktop, versionFile, QCoreApplication::applicationFilePath());
    mainForm.show();
    // A file manager hands over the file to open, as "kvocodec FILE". Taken from the bytes Qt has
    // left of the command line (it removes its own options), since its decoded arguments lose
    // names that are not UTF-8.
    if (argc == 2) {
        mainForm.openFile(kvo::decodeFileName(argv[1]));
    }
    // Ctrl-C, termination or a closed terminal end the program as closing the window does; a run
    // in progress stops at its next step and leaves no unfinished output.
    const kvo::InterruptionGuard interruption;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &mainForm, [&mainForm] {
        if (kvo::Interrupted()) {
            mainForm.close();
        }
    });
    watch.start(200);
    const int result = QApplication::exec();
    kvo::setBeepHook({});
    return result;
}
