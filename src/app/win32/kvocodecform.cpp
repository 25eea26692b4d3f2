#include "app/win32/kvocodecform.h"

#include <commctrl.h>

#include "app/formtexts.h"
#include "app/win32/blockedrun.h"
#include "app/win32/userdatetime.h"
#include "app/win32/windesktop.h"
#include "platform/widetext.h"

namespace kvo::win32 {
namespace {

// The design is 643 x 311 with a menu bar of 23 pixels along its top; Windows draws the menu
// above the client area, so the client area is the rest and the controls sit 23 pixels higher.
constexpr int kClientWidth = 643;
constexpr int kClientHeight = 311 - 23;
constexpr DesignRect kMemo1Place{16, 33, 473, 153};
constexpr DesignRect kLabel1Place{512, 54, 99, 13};
// A drop-down list's window includes its list; the box itself takes its height from the font.
constexpr DesignRect kBlockSizeComboBoxPlace{520, 73, 113, 21 + 200};
constexpr DesignRect kProgressBar1Place{16, 201, 609, 17};
// Inserted by position past the end of a standard window menu, so that it appends.
constexpr UINT kAboutEntryPosition = 10;

void AppendItem(HMENU menu, int command, const char* caption) {
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), WideOf(caption).c_str());
}

void AppendSubmenu(HMENU bar, HMENU menu, const char* caption) {
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), WideOf(caption).c_str());
}

}  // namespace

TKVOCodecForm::TKVOCodecForm(WinDesktop& desktop, const VersionInfoFile& versionFile,
                             const std::string& executablePath)
    : fDesktop(desktop), fController(*this, UserDateTime, versionFile, executablePath) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterWindowClass(kClassName, WindowProcedureOf<TKVOCodecForm>, ProgramIcon(32),
                        COLOR_BTNFACE);
    fWindow =
        CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, WideOf(formtexts::kMainCaption).c_str(),
                        WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr,
                        ProgramInstance(), this);
    if (fWindow == nullptr) {
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "CreateWindowExW");
    }
    createMenu();
    fMemo1 =
        CreateChild(fWindow, L"EDIT", WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                    kMemo1, {}, WS_EX_CLIENTEDGE);
    fLabel1 =
        CreateChild(fWindow, L"STATIC", SS_LEFT | SS_NOPREFIX, kLabel1, formtexts::kBlockSizeLabel);
    fBlockSizes = CreateChild(fWindow, L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                              kBlockSizeComboBox);
    fProgress = CreateChild(fWindow, PROGRESS_CLASSW, 0, kProgressBar1);
    applyDpi();
    SetClientSize(fWindow, kClientWidth, kClientHeight);
    FormCreate();
    // The other two windows come after the main window, in this order, as start-up has them.
    fHeadForm = std::make_unique<THeadForm>(fWindow);
    fAboutDlg = std::make_unique<TAboutDlg>(desktop, fWindow);
    fController.start();
}

TKVOCodecForm::~TKVOCodecForm() {
    fAboutDlg.reset();
    fHeadForm.reset();
    if (IsWindow(fWindow) != 0) {
        SetWindowLongPtrW(fWindow, GWLP_USERDATA, 0);
        DestroyWindow(fWindow);
    }
}

void TKVOCodecForm::createMenu() {
    const HMENU bar = CreateMenu();
    const HMENU file = CreatePopupMenu();
    AppendItem(file, kOpenCommand, formtexts::kOpenItem);
    AppendItem(file, kExitCommand, formtexts::kExitItem);
    const HMENU actions = CreatePopupMenu();
    AppendItem(actions, kCompressCommand, formtexts::kCompressItem);
    AppendItem(actions, kRestoreCommand, formtexts::kRestoreItem);
    const HMENU view = CreatePopupMenu();
    AppendItem(view, kHeadCommand, formtexts::kHeadItem);
    AppendSubmenu(bar, file, formtexts::kFileMenu);
    AppendSubmenu(bar, actions, formtexts::kActionsMenu);
    AppendSubmenu(bar, view, formtexts::kViewMenu);
    SetMenu(fWindow, bar);  // destroyed with the window
}

void TKVOCodecForm::FormCreate() {
    // The window's own copy of the window menu: a separator, then the about entry behind Close.
    const HMENU systemMenu = GetSystemMenu(fWindow, FALSE);
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    InsertMenuW(systemMenu, kAboutEntryPosition, MF_BYPOSITION | MF_STRING,
                FormController::kAboutCommand, WideOf(FormController::kAboutEntry).c_str());
}

void TKVOCodecForm::applyDpi() {
    const UINT dpi = DpiOf(fWindow);
    Font font = FormFont(dpi);
    Font bold = FormFont(dpi, true);
    for (const HWND control : {fMemo1, fLabel1, fProgress}) {
        SetFont(control, font.get());
    }
    SetFont(fBlockSizes, bold.get());
    fFont = std::move(font);
    fBoldFont = std::move(bold);
    Place(fMemo1, kMemo1Place, dpi);
    Place(fLabel1, kLabel1Place, dpi);
    // The designed font may be missing here; a wider stand-in must not cut the label short.
    const RECT label = ScaledRect(kLabel1Place, dpi);
    if (const int width = TextWidth(fLabel1); width > label.right - label.left) {
        SetWindowPos(fLabel1, nullptr, 0, 0, width, label.bottom - label.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Place(fBlockSizes, kBlockSizeComboBoxPlace, dpi);
    Place(fProgress, kProgressBar1Place, dpi);
}

void TKVOCodecForm::onCommand(int command) {
    switch (command) {
        case kOpenCommand:
            fController.openCommand();
            break;
        case kExitCommand:
            // As the close button: through the close query and the beep.
            SendMessageW(fWindow, WM_CLOSE, 0, 0);
            break;
        case kCompressCommand:
            fController.compressCommand();
            break;
        case kRestoreCommand:
            fController.restoreCommand();
            break;
        case kHeadCommand:
            fController.headCommand();
            break;
        default:
            break;
    }
}

LRESULT TKVOCodecForm::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // A disabled menu item sends nothing; a command during a run is dropped.
            if (!fRunning && HIWORD(wParam) == 0 && lParam == 0) {
                onCommand(LOWORD(wParam));
            }
            return 0;
        case WM_SYSCOMMAND:
            if (fRunning) {
                return 0;
            }
            if (wParam == static_cast<WPARAM>(FormController::kAboutCommand)) {
                fController.systemCommand(FormController::kAboutCommand);
                return 0;
            }
            break;
        case WM_CLOSE:
            if (!fRunning && fController.closeQuery()) {
                fController.closed();
                DestroyWindow(window);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_CTLCOLORSTATIC:
            // The label on the window's face, not on the edit box's white.
            if (reinterpret_cast<HWND>(lParam) == fLabel1) {
                SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TKVOCodecForm::showSummary(const std::vector<std::string>& lines) {
    SetText(fMemo1, JoinedLines(lines));
}

void TKVOCodecForm::appendSummary(const std::string& line) {
    const std::wstring added = WideOf("\r\n" + line);
    const int end = GetWindowTextLengthW(fMemo1);
    SendMessageW(fMemo1, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
    SendMessageW(fMemo1, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
}

void TKVOCodecForm::showPassport(const std::vector<std::string>& lines) {
    fHeadForm->showLines(lines);
}

void TKVOCodecForm::fillBlockSizes(const std::vector<std::string>& items, bool enabled) {
    SendMessageW(fBlockSizes, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) {
        const std::wstring text = WideOf(item);
        SendMessageW(fBlockSizes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageW(fBlockSizes, CB_SETCURSEL, 0, 0);
    EnableWindow(fBlockSizes, enabled ? TRUE : FALSE);
}

void TKVOCodecForm::enableBlockSizes(bool enabled) {
    EnableWindow(fBlockSizes, enabled ? TRUE : FALSE);
}

std::string TKVOCodecForm::selectedBlockSize() const {
    const LRESULT index = SendMessageW(fBlockSizes, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) {
        return {};
    }
    const LRESULT length =
        SendMessageW(fBlockSizes, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(fBlockSizes, CB_GETLBTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return Utf8OfWide(text);
}

void TKVOCodecForm::enableAction(FormAction action, bool enabled) {
    const int command = action == FormAction::Compress ? kCompressCommand : kRestoreCommand;
    EnableMenuItem(GetMenu(fWindow), static_cast<UINT>(command),
                   MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void TKVOCodecForm::setProgressRange(std::int32_t maximum) {
    SendMessageW(fProgress, PBM_SETRANGE32, 0, static_cast<LPARAM>(maximum));
    SendMessageW(fProgress, PBM_SETPOS, 0, 0);
}

void TKVOCodecForm::setProgress(std::int32_t position) {
    SendMessageW(fProgress, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

std::optional<std::string> TKVOCodecForm::chooseFile(const std::string& filter) {
    return fDesktop.chooseOpenFile(fWindow, filter);
}

bool TKVOCodecForm::askYesNo(const std::string& text, const std::string& caption) {
    return fDesktop.askYesNo(fWindow, text, caption);
}

void TKVOCodecForm::showMessage(const std::string& text, const std::string& caption) {
    fDesktop.showMessage(fWindow, text, caption);
}

void TKVOCodecForm::showError(const std::string& text) {
    fDesktop.showError(fWindow, text);
}

void TKVOCodecForm::showPassportWindow() {
    fDesktop.runModal(fHeadForm->window(), fWindow);
}

void TKVOCodecForm::showAbout(const AboutLabels& labels) {
    fAboutDlg->Show(labels);
}

void TKVOCodecForm::beep() {
    fDesktop.beep();
}

ConvertReport TKVOCodecForm::runBlocked(const ConversionJob& job, const ProgressFn& showProgress) {
    fRunning = true;
    struct Unblock {
        bool& running;
        ~Unblock() { running = false; }
    } unblock{fRunning};
    return RunBlocked(job, showProgress);
}

}  // namespace kvo::win32
