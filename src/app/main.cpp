// Start-up: the main window, then the passport window and the about box, then the event loop.

#include <QApplication>

#include "app/aboutdlg.h"
#include "app/artwork.h"
#include "app/headform.h"
#include "app/kvocodecform.h"
#include "model/beep.h"
#include "platform/qtdesktop.h"
#include "platform/versioninfofile.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setWindowIcon(kvo::paintApplicationIcon());
    kvo::setBeepHook([] { QApplication::beep(); });

    kvo::QtDesktop desktop;
    const kvo::ElfVersionInfoFile versionFile;
    kvo::THeadForm headForm;
    kvo::TAboutDlg aboutDlg(desktop, versionFile, QCoreApplication::applicationFilePath());
    kvo::TKVOCodecForm mainForm(desktop, headForm, aboutDlg);
    mainForm.show();
    const int result = QApplication::exec();
    kvo::setBeepHook({});
    return result;
}
