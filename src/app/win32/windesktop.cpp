#include "app/win32/windesktop.h"

#include <commdlg.h>

#include <filesystem>
#include <vector>

#include "app/win32/modalrun.h"
#include "app/win32/winwindow.h"
#include "platform/errortext.h"
#include "platform/widetext.h"

namespace kvo::win32 {

std::wstring DialogFilter(const std::string& pairs) {
    std::wstring list = WideOf(pairs);
    for (wchar_t& c : list) {
        if (c == L'|') {
            c = L'\0';
        }
    }
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

std::wstring ApplicationTitle() {
    return std::filesystem::path(ExecutableFile()).stem().wstring();
}

std::optional<std::string> SystemDesktop::chooseOpenFile(HWND owner, const std::string& filter) {
    const std::wstring filterList = DialogFilter(filter);
    // Room for a long path; the dialog says when a name does not fit.
    std::vector<wchar_t> chosen(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filterList.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen.data();
    dialog.nMaxFile = static_cast<DWORD>(chosen.size());
    dialog.Flags =
        OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (GetOpenFileNameW(&dialog) == 0) {
        return std::nullopt;
    }
    return Utf8OfWide(chosen.data());
}

bool SystemDesktop::askYesNo(HWND owner, const std::string& text, const std::string& caption) {
    return MessageBoxW(owner, WideOf(text).c_str(), WideOf(caption).c_str(),
                       MB_YESNO | MB_DEFBUTTON1) == IDYES;
}

void SystemDesktop::showMessage(HWND owner, const std::string& text, const std::string& caption) {
    MessageBoxW(owner, WideOf(text).c_str(), WideOf(caption).c_str(), MB_OK);
}

void SystemDesktop::showError(HWND owner, const std::string& text) {
    MessageBoxW(owner, WideOf(errorBoxText(text)).c_str(), ApplicationTitle().c_str(),
                MB_OK | MB_ICONERROR);
}

void SystemDesktop::runModal(HWND window, HWND owner) {
    RunModal(window, owner);
}

void SystemDesktop::beep() {
    MessageBeep(0);
}

}  // namespace kvo::win32
