#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>

#include "platform/programentry.h"
#include "platform/widetext.h"

namespace kvo {

// The narrow argv is in the ANSI code page, which cannot hold every name: the UTF-16 command
// line can.
std::vector<std::string> ProgramArguments(int, const char* const*) {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> words(
        CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    std::vector<std::string> args;
    for (int i = 1; words && i < count; ++i) {
        args.push_back(Utf8OfWide(words.get()[i]));
    }
    return args;
}

bool IsTerminal(StandardStream stream) {
    const HANDLE handle =
        GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    // The NUL device is a character device too, but has no console mode.
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode) != 0;
}

StandardStreams::StandardStreams() {
    for (FILE* const stream : {stdin, stdout, stderr}) {
        _setmode(_fileno(stream), _O_BINARY);
    }
    // The messages are UTF-8 bytes; a console shows them as such only with this code page.
    // Redirected output gets the same bytes, untouched.
    const UINT previous = GetConsoleOutputCP();
    if (previous != 0 && previous != CP_UTF8 && SetConsoleOutputCP(CP_UTF8) != 0) {
        fPreviousOutputCodePage = previous;
    }
}

StandardStreams::~StandardStreams() {
    if (fPreviousOutputCodePage != 0) {
        SetConsoleOutputCP(fPreviousOutputCodePage);
    }
}

}  // namespace kvo
