#pragma once
// TKVOCodecForm: the main window. Its handlers ask the desktop for choices and hand the file work
// to ConversionSession; the window itself only shows what comes back.

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/session.h"

class QDropEvent;
class QMenu;

namespace Ui {
class TKVOCodecForm;
}

namespace kvo {

class Desktop;
class TAboutDlg;
class THeadForm;
class VersionInfoFile;

class TKVOCodecForm : public QMainWindow {
    Q_OBJECT
  public:
    // Command id of the about entry.
    static constexpr int kAboutCommand = 731;

    // Creates the main window, then the passport window and the about box (which shows the
    // version resource of `executablePath`), both hidden and owned by the main window.
    TKVOCodecForm(Desktop& desktop, const VersionInfoFile& versionFile, QString executablePath,
                  QWidget* parent = nullptr);
    ~TKVOCodecForm() override;

    // The window-menu command: 731 opens the about box, other commands need nothing from us.
    void SystemMMenu(int commandId);

    // Opens `path` (the program's argument, or a dropped file) as File / Open opens the file
    // chosen in its dialog; a relative path is taken from the working folder. Names that are not
    // UTF-8 come as decodeFileName gives them.
    void openFile(const QString& path);

    const ConversionSession& session() const noexcept { return fSession; }
    THeadForm& headForm() const noexcept { return *fHeadForm; }
    TAboutDlg& aboutDlg() const noexcept { return *fAboutDlg; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormCreate();
    void FormCloseQuery(bool& CanClose);
    void FormClose();

    void OpenkvoExecute();
    // What every way of opening shares: first nothing is held, then the chosen file is opened.
    void closeHeldFiles();
    void openChosen(const QString& path);
    bool takeFileDrop(QDropEvent& event);
    void CompressActionExecute();
    void RestoreActionExecute();
    void HeadActionExecute();

    void bind(QAction* action, void (TKVOCodecForm::*handler)());
    // Runs a command of the window; until it ends, dropped files are refused.
    void runWindowCommand(const std::function<void()>& command);
    void addAboutEntry(QMenu& menu);
    void showInspection(const FileInspection& found);
    void fitSummary();
    void showProgress(std::uint64_t sourcePosition);
    void reportDroppedBytes(const ConvertReport& report);

    std::unique_ptr<Ui::TKVOCodecForm> ui_;
    Desktop& fDesktop;
    ConversionSession fSession;
    std::unique_ptr<THeadForm> fHeadForm;
    std::unique_ptr<TAboutDlg> fAboutDlg;
    bool fCommandRunning = false;
    int fSummaryHeight = 0;  // the summary box's designed height, the least it has
};

}  // namespace kvo
