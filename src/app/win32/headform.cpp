#include "app/win32/headform.h"

#include "app/formtexts.h"
#include "platform/widetext.h"

namespace kvo::win32 {
namespace {

constexpr int kClientWidth = 426;
constexpr int kClientHeight = 293;
constexpr DesignRect kMemo1{0, 8, 425, 281};

}  // namespace

THeadForm::THeadForm(HWND owner) {
    RegisterWindowClass(kClassName, WindowProcedureOf<THeadForm>, ProgramIcon(32), COLOR_BTNFACE);
    fWindow =
        CreateWindowExW(0, kClassName, WideOf(formtexts::kPassportCaption).c_str(),
                        WS_OVERLAPPEDWINDOW & ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX), CW_USEDEFAULT,
                        CW_USEDEFAULT, 0, 0, owner, nullptr, ProgramInstance(), this);
    fMemo1 = CreateChild(fWindow, L"EDIT",
                         WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 1,
                         formtexts::kPassportAtStart, WS_EX_CLIENTEDGE);
    applyDpi();
    SetClientSize(fWindow, kClientWidth, kClientHeight);
    CenterOnMonitor(fWindow);
}

THeadForm::~THeadForm() {
    if (IsWindow(fWindow) != 0) {
        DestroyWindow(fWindow);
    }
}

void THeadForm::applyDpi() {
    const UINT dpi = DpiOf(fWindow);
    Font font = FormFont(dpi);
    SetFont(fMemo1, font.get());
    fFont = std::move(font);  // the old font goes once no control uses it
    Place(fMemo1, kMemo1, dpi);
}

void THeadForm::showLines(const std::vector<std::string>& lines) {
    SetText(fMemo1, JoinedLines(lines));
}

LRESULT THeadForm::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            // Kept for the next View / Head of file.
            ShowWindow(window, SW_HIDE);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                ShowWindow(window, SW_HIDE);
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace kvo::win32
