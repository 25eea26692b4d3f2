#pragma once
// The system's reason for a failed call, in Russian like every other text the programs show.

#include <string>
#include <system_error>

namespace kvo {

// A Russian description of an errno value followed by its number, e.g.
// "нет места на устройстве (ошибка 28)"; values without a description are named by number alone.
std::string SystemErrorText(int errorCode);
// The same for an error that std::filesystem reports: errno values and, on Windows, the system's
// own error codes.
std::string SystemErrorText(const std::error_code& error);

// The description of errnoValue followed by shownNumber: the one table of reasons serves both the
// errno values and the Windows error codes, each shown with its own number.
std::string ReasonWithNumber(int errnoValue, long long shownNumber);

// Windows only: the errno value of a Windows error code (GetLastError), 0 when it has none.
int ErrnoOfWindowsError(unsigned long code);
// Windows only: e.g. "нет места на устройстве (ошибка 112)" for ERROR_DISK_FULL.
std::string WindowsErrorText(unsigned long code);

}  // namespace kvo
