#pragma once
// Shared pieces of the window tests: the application object, a temporary folder, crafted files,
// and the three windows wired to a fake desktop.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/aboutdlg.h"
#include "app/qt/headform.h"
#include "app/qt/kvocodecform.h"
#include "fakedesktop.h"
#include "testfiles.h"
#include "versionfiles.h"

namespace kvo::test {

void ensureApplication();

// The three windows of the program around a fake desktop.
struct Windows {
    explicit Windows(const VersionInfoFile& versionFile = noVersionFile(),
                     const QString& executablePath = QStringLiteral("/opt/kvo/kvocodec"));

    QPlainTextEdit& summary() const;
    QComboBox& blockSizes() const;
    QProgressBar& progress() const;
    QAction& action(const char* name) const;
    QStringList summaryLines() const;
    QStringList passportLines() const;
    QStringList blockSizeItems() const;

    // Opens `path` through File / Open.
    void open(const std::filesystem::path& path);

    bool applicationReady;  // first: every window needs the application object
    FakeDesktop desktop;
    TKVOCodecForm mainForm;
    THeadForm& headForm;  // both made and owned by the main window
    TAboutDlg& aboutDlg;
};

}  // namespace kvo::test
