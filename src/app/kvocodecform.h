#pragma once
// TKVOCodecForm: the main window. Its handlers ask the desktop for choices and hand the file work
// to ConversionSession; the window itself only shows what comes back.

#include <QMainWindow>
#include <cstdint>
#include <memory>

#include "app/session.h"

class QMenu;

namespace Ui {
class TKVOCodecForm;
}

namespace kvo {

class Desktop;
class TAboutDlg;
class THeadForm;

class TKVOCodecForm : public QMainWindow {
    Q_OBJECT
  public:
    // Command id of the about entry.
    static constexpr int kAboutCommand = 731;

    TKVOCodecForm(Desktop& desktop, THeadForm& headForm, TAboutDlg& aboutDlg,
                  QWidget* parent = nullptr);
    ~TKVOCodecForm() override;

    // The window-menu command: 731 opens the about box, other commands need nothing from us.
    void SystemMMenu(int commandId);

    const ConversionSession& session() const noexcept { return fSession; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void FormCreate();
    void FormCloseQuery(bool& CanClose);
    void FormClose();

    void OpenkvoExecute();
    void CompressActionExecute();
    void RestoreActionExecute();
    void HeadActionExecute();

    void bind(QAction* action, void (TKVOCodecForm::*handler)());
    void addAboutEntry(QMenu& menu);
    void showInspection(const FileInspection& found);
    void showProgress(std::uint64_t sourcePosition);
    void reportDroppedBytes(const ConvertReport& report);

    std::unique_ptr<Ui::TKVOCodecForm> ui_;
    Desktop& fDesktop;
    THeadForm& fHeadForm;
    TAboutDlg& fAboutDlg;
    ConversionSession fSession;
};

}  // namespace kvo
