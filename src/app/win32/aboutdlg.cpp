#include "app/win32/aboutdlg.h"

#include <algorithm>

#include "app/formtexts.h"
#include "app/win32/picturepaint.h"
#include "app/win32/windesktop.h"
#include "platform/widetext.h"

namespace kvo::win32 {
namespace {

constexpr int kClientWidth = 461;
constexpr int kClientHeight = 164;
constexpr int kRightMargin = 12;  // as right of the OK button
constexpr DesignRect kOk{236, 8, 213, 25};
constexpr DesignRect kBevel{8, 8, 209, 145};
constexpr DesignRect kImage{16, 16, 193, 129};
constexpr int kLabelId = 100;

// Each label's place, font and colour as designed.
struct LabelLook {
    int left;
    int top;
    const wchar_t* face;
    int pixels;
    COLORREF colour;
    BYTE charset;
};
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr std::array<LabelLook, 6> kLabelLooks{{
    {224, 40, L"Times New Roman", 16, kGreen, RUSSIAN_CHARSET},
    {232, 64, L"MS Sans Serif", 11, kBlack, DEFAULT_CHARSET},
    {232, 82, L"MS Sans Serif", 11, kRed, DEFAULT_CHARSET},
    {232, 102, L"MS Sans Serif", 11, kRed, DEFAULT_CHARSET},
    {232, 119, L"MS Sans Serif", 11, kGreen, DEFAULT_CHARSET},
    {232, 138, L"MS Sans Serif", 11, kGreen, DEFAULT_CHARSET},
}};

}  // namespace

TAboutDlg::TAboutDlg(WinDesktop& desktop, HWND owner) : fDesktop(desktop), fOwner(owner) {
    RegisterWindowClass(kClassName, WindowProcedureOf<TAboutDlg>, ProgramIcon(32), COLOR_BTNFACE);
    fWindow = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kClassName,
                              WideOf(formtexts::kAboutCaption).c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, CW_USEDEFAULT,
                              CW_USEDEFAULT, 0, 0, owner, nullptr, ProgramInstance(), this);
    fOk = CreateChild(fWindow, L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, kOkId,
                      formtexts::kAboutButton);
    for (std::size_t i = 0; i < fLabels.size(); ++i) {
        fLabels[i] =
            CreateChild(fWindow, L"STATIC", SS_LEFT | SS_NOPREFIX,
                        kLabelId + static_cast<int>(i) + 1, formtexts::kAboutLabelsAtStart[i]);
    }
    applyDpi();
    SetClientSize(fWindow, kClientWidth, kClientHeight);
}

TAboutDlg::~TAboutDlg() {
    if (IsWindow(fWindow) != 0) {
        DestroyWindow(fWindow);
    }
}

HWND TAboutDlg::label(int number) const {
    return fLabels.at(static_cast<std::size_t>(number - 1));
}

void TAboutDlg::applyDpi() {
    const UINT dpi = DpiOf(fWindow);
    Font buttonFont = FormFont(dpi);
    SetFont(fOk, buttonFont.get());
    Place(fOk, kOk, dpi);
    int right = 0;
    for (std::size_t i = 0; i < fLabels.size(); ++i) {
        const LabelLook& look = kLabelLooks[i];
        Font font = MakeFont(look.face, look.pixels, dpi, false, look.charset);
        SetFont(fLabels[i], font.get());
        fLabelFonts[i] = std::move(font);
        const int width = TextWidth(fLabels[i]);
        const int height = Scaled(look.pixels + 5, dpi);
        SetWindowPos(fLabels[i], nullptr, Scaled(look.left, dpi), Scaled(look.top, dpi), width,
                     height, SWP_NOZORDER | SWP_NOACTIVATE);
        right = std::max(right, Scaled(look.left, dpi) + width);
    }
    fButtonFont = std::move(buttonFont);
    // The labels size themselves to their texts; the box grows to the right to hold the widest,
    // keeping its designed width when they fit.
    const int width = std::max(Scaled(kClientWidth, dpi), right + Scaled(kRightMargin, dpi));
    RECT client{};
    GetClientRect(fWindow, &client);
    if (client.right != 0 && client.right != width) {
        SetClientSize(fWindow, MulDiv(width, static_cast<int>(kDesignDpi), static_cast<int>(dpi)),
                      kClientHeight);
    }
    InvalidateRect(fWindow, nullptr, TRUE);
}

void TAboutDlg::Show(const AboutLabels& labels) {
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (labels[i]) {
            SetText(fLabels[i], *labels[i]);
        }
    }
    applyDpi();
    CenterOnMonitor(fWindow);
    SetFocus(fOk);
    fDesktop.runModal(fWindow, fOwner);
}

void TAboutDlg::paintPicture(HDC dc) const {
    // Bevel1, a sunken frame around the picture.
    const UINT dpi = DpiOf(fWindow);
    RECT bevel = ScaledRect(kBevel, dpi);
    DrawEdge(dc, &bevel, BDR_SUNKENOUTER, BF_RECT);
    // Image1 shows the picture unscaled from its top-left corner; what does not fit is cut off.
    const RECT image = ScaledRect(kImage, dpi);
    PaintPicture(dc, artwork::AboutPicture(), {image.left, image.top}, dpi, image);
}

LRESULT TAboutDlg::labelColours(HDC dc, HWND label) const {
    const auto found = std::find(fLabels.begin(), fLabels.end(), label);
    if (found != fLabels.end()) {
        SetTextColor(dc, kLabelLooks[static_cast<std::size_t>(found - fLabels.begin())].colour);
    }
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT TAboutDlg::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                ShowWindow(window, SW_HIDE);
                return 0;
            }
            break;
        case WM_CLOSE:
            ShowWindow(window, SW_HIDE);
            return 0;
        case WM_CTLCOLORSTATIC:
            return labelColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            const HDC dc = BeginPaint(window, &paint);
            paintPicture(dc);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            paintPicture(reinterpret_cast<HDC>(wParam));
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace kvo::win32
