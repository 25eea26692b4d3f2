#include "app/win32/userdatetime.h"

#include <windows.h>

#include "platform/widetext.h"

namespace kvo::win32 {
namespace {

// The system formats no date before 1601. The calendar repeats itself every 400 years, weekdays
// included, so such a date is formatted 400-year cycles later and its year written back.
constexpr int kFirstYear = 1601;
constexpr int kCycle = 400;

std::wstring Formatted(const SYSTEMTIME& time, bool date) {
    // The first call asks for the length, the second writes the text.
    const auto format = [&](wchar_t* text, int size) {
        return date
                   ? GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, text, size)
                   : GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, text, size);
    };
    const int length = format(nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    format(text.data(), length);
    text.resize(static_cast<std::size_t>(length - 1));
    return text;
}

}  // namespace

std::string UserDateTime(const CivilDateTime& value) {
    SYSTEMTIME time{};
    int shift = 0;
    while (value.year + shift < kFirstYear) {
        shift += kCycle;
    }
    time.wYear = static_cast<WORD>(value.year + shift);
    time.wMonth = static_cast<WORD>(value.month);
    time.wDay = static_cast<WORD>(value.day);
    time.wHour = static_cast<WORD>(value.hour);
    time.wMinute = static_cast<WORD>(value.minute);
    time.wSecond = static_cast<WORD>(value.second);
    time.wMilliseconds = static_cast<WORD>(value.millisecond);
    std::wstring date = Formatted(time, true);
    if (shift != 0) {
        // Two-digit years are the same in every cycle; a four-digit one is written back.
        const std::wstring shifted = std::to_wstring(time.wYear);
        if (const auto at = date.find(shifted); at != std::wstring::npos) {
            std::wstring year = std::to_wstring(value.year);
            year.insert(0, shifted.size() > year.size() ? shifted.size() - year.size() : 0, L'0');
            date.replace(at, shifted.size(), year);
        }
    }
    return Utf8OfWide(date + L"  " + Formatted(time, false));
}

}  // namespace kvo::win32
