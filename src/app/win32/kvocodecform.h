#pragma once
// TKVOCodecForm: the main window on Windows, a view over FormController: the controller decides,
// the window shows, asks through the desktop and lays itself out at the monitor's density.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/formcontroller.h"
#include "app/formview.h"
#include "app/win32/aboutdlg.h"
#include "app/win32/headform.h"
#include "app/win32/winwindow.h"

namespace kvo {
class VersionInfoFile;
}

namespace kvo::win32 {

class WinDesktop;

class TKVOCodecForm final : private FormView {
  public:
    static constexpr const wchar_t* kClassName = L"TKVOCodecForm";
    // Menu commands.
    enum Command : int {
        kOpenCommand = 101,
        kExitCommand,
        kCompressCommand,
        kRestoreCommand,
        kHeadCommand
    };
    // Controls.
    enum Control : int { kMemo1 = 201, kLabel1, kBlockSizeComboBox, kProgressBar1 };

    // Creates the main window (hidden), then the passport window and the about box, which shows
    // the version resource of `executablePath`.
    TKVOCodecForm(WinDesktop& desktop, const VersionInfoFile& versionFile,
                  const std::string& executablePath);
    ~TKVOCodecForm() override;
    TKVOCodecForm(const TKVOCodecForm&) = delete;
    TKVOCodecForm& operator=(const TKVOCodecForm&) = delete;

    HWND window() const noexcept { return fWindow; }
    HWND control(Control id) const { return GetDlgItem(fWindow, id); }
    // Opens the program's argument as File / Open opens the chosen file.
    void openArgument(const std::string& path) { fController.openArgument(path); }

    const ConversionSession& session() const noexcept { return fController.session(); }
    THeadForm& headForm() const noexcept { return *fHeadForm; }
    TAboutDlg& aboutDlg() const noexcept { return *fAboutDlg; }

    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Fonts and places for the monitor's density.
    void applyDpi();

  private:
    void FormCreate();
    void createMenu();
    void onCommand(int command);

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

    WinDesktop& fDesktop;
    HWND fWindow = nullptr;
    HWND fMemo1 = nullptr;
    HWND fLabel1 = nullptr;
    HWND fBlockSizes = nullptr;
    HWND fProgress = nullptr;
    Font fFont;
    Font fBoldFont;
    bool fRunning = false;  // a conversion runs: commands and closing are dropped
    FormController fController;
    std::unique_ptr<THeadForm> fHeadForm;
    std::unique_ptr<TAboutDlg> fAboutDlg;
};

}  // namespace kvo::win32
