#pragma once
// TKVOCodecForm: the main window, a view over FormController: the controller decides, the window
// shows, asks the desktop and lays itself out.

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/formcontroller.h"
#include "app/formview.h"

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

class TKVOCodecForm : public QMainWindow, private FormView {
    Q_OBJECT
  public:
    // Command id of the about entry.
    static constexpr int kAboutCommand = FormController::kAboutCommand;

    // Creates the main window, then the passport window and the about box (which shows the
    // version resource of `executablePath`), both hidden and owned by the main window.
    TKVOCodecForm(Desktop& desktop, const VersionInfoFile& versionFile,
                  const QString& executablePath, QWidget* parent = nullptr);
    ~TKVOCodecForm() override;

    // The window-menu command: 731 opens the about box, other commands need nothing from us.
    void SystemMMenu(int commandId);

    // Opens `path` (the program's argument, or a dropped file) as File / Open opens the file
    // chosen in its dialog; a relative path is taken from the working folder. Names that are not
    // UTF-8 come as decodeFileName gives them.
    void openFile(const QString& path);

    const ConversionSession& session() const noexcept { return fController.session(); }
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

    // The view over the window's widgets and the desktop.
    void showSummary(const std::vector<std::string>& lines) override;
    void appendSummary(const std::string& line) override;
    void showPassport(const std::vector<std::string>& lines) override;
    void fillBlockSizes(const std::vector<std::string>& items, bool enabled) override;
    void enableBlockSizes(bool enabled) override;
    std::string selectedBlockSize() const override;
    void enableAction(FormAction action, bool enabled) override;
    void setProgressRange(std::int32_t maximum) override;
    void setProgress(std::int32_t position) override;
    std::optional<std::string> chooseFile(const std::string& filter) override;
    bool askYesNo(const std::string& text, const std::string& caption) override;
    void showMessage(const std::string& text, const std::string& caption) override;
    void showError(const std::string& text) override;
    void showPassportWindow() override;
    void showAbout(const AboutLabels& labels) override;
    void beep() override;
    ConvertReport runBlocked(const ConversionJob& job, const ProgressFn& showProgress) override;

    bool takeFileDrop(QDropEvent& event);
    void addAboutEntry(QMenu& menu);
    void fitSummary();

    std::unique_ptr<Ui::TKVOCodecForm> ui_;
    Desktop& fDesktop;
    FormController fController;
    std::unique_ptr<THeadForm> fHeadForm;
    std::unique_ptr<TAboutDlg> fAboutDlg;
    int fSummaryHeight = 0;  // the summary box's designed height, the least it has
};

}  // namespace kvo
