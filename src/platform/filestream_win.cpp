#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/filestream.h"
#include "platform/filestreamseam.h"
#include "platform/flushbehind.h"
#include "platform/interruption.h"
#include "platform/widetext.h"
#include "platform/winfile.h"

namespace kvo {
namespace {

// Single system calls move at most this much, so counts fit a DWORD.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;
constexpr std::size_t kSpoolChunk = std::size_t{1} << 20;

// Others may go on reading, writing, renaming and deleting a file we read, as on other systems.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE Native(NativeHandle handle) noexcept {
    return static_cast<HANDLE>(handle);
}

// Every read and write of a file names its place, so reads side by side never move each
// other's position; pipes, consoles and devices take none.
OVERLAPPED At(std::uint64_t offset) noexcept {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

DWORD TransferSize(std::size_t count) noexcept {
    return static_cast<DWORD>(std::min(count, kMaxTransfer));
}

// End of the data: a file's end, or a pipe whose writer closed it.
bool AtEnd(DWORD error) noexcept {
    return error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE;
}

// An empty read ends a file; from a pipe it may also be a writer's empty write, and the pipe
// then stays open. A pipe that cannot be asked has ended.
bool StillOpenPipe(HANDLE input) noexcept {
    DWORD available = 0;
    return GetFileType(input) == FILE_TYPE_PIPE &&
           PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr) != FALSE;
}

}  // namespace

std::string TemporaryFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        return ".";
    }
    // The system ends the name with a separator; a drive's root keeps it, other folders do not.
    if (length > 3 && folder[length - 1] == L'\\') {
        --length;
    }
    return Utf8OfWide(std::wstring(folder, length));
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    // No access is asked for: the identity of a file others hold open is still known. Folders
    // open only with backup semantics.
    const OwnedHandle file = Owned(CreateFileW(SystemPathOf(path).c_str(), 0, kShareAll, nullptr,
                                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) {
        return std::nullopt;
    }
    return IdentityOfHandle(file.get());
}

WriteOutcome SystemWrite(NativeHandle handle, std::uint64_t offset, const void* data,
                         std::size_t count) {
    const HANDLE file = Native(handle);
    OVERLAPPED at = At(offset);
    DWORD put = 0;
    if (!WriteFile(file, data, TransferSize(count), &put,
                   GetFileType(file) == FILE_TYPE_DISK ? &at : nullptr)) {
        const DWORD error = GetLastError();
        return {0, PortableErrorOf(error), static_cast<std::uint32_t>(error)};
    }
    return {put, 0, 0};
}

int FlushData(NativeHandle handle) noexcept {
    return FlushFileBuffers(Native(handle)) ? 0 : static_cast<int>(GetLastError());
}

FileStream::FileStream(NativeHandle handle, std::string path) noexcept
    : fHandle(handle),
      fPath(std::move(path)),
      fMayWaitForEver(handle != kNoHandle && GetFileType(Native(handle)) != FILE_TYPE_DISK) {}

FileStream FileStream::OpenRead(const std::string& path) {
    const HANDLE file = CreateFileW(SystemPathOf(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ThrowWindowsFileError("Не удалось открыть файл", path, GetLastError());
    }
    FileStream stream(file, path);
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info)) {
        throw FileError("Не удалось открыть файл " + path + ": это не обычный файл", EINVAL);
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ThrowFileError("Не удалось открыть файл", path, EISDIR);
    }
    return stream;
}

FileStream FileStream::SpoolStandardInput(const std::string& folder) {
    HANDLE file = INVALID_HANDLE_VALUE;
    while (file == INVALID_HANDLE_VALUE) {
        file = CreateHiddenFile(TemporaryName(folder, "kvo-stdin"),
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            ThrowWindowsFileError("Не удалось создать временный файл в", folder, GetLastError());
        }
    }
    FileStream spool(file, kStandardInput);
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) {
        ThrowWindowsFileError("Не удалось прочитать", kStandardInput, ERROR_INVALID_HANDLE);
    }
    // A blocking read: a request to stop ends the writer of a pipe as well, which ends the read.
    std::vector<std::uint8_t> chunk(kSpoolChunk);
    for (;;) {
        ThrowIfInterrupted();
        DWORD got = 0;
        if (!ReadFile(input, chunk.data(), TransferSize(chunk.size()), &got, nullptr)) {
            const DWORD error = GetLastError();
            if (AtEnd(error)) {
                break;
            }
            ThrowWindowsFileError("Не удалось прочитать", kStandardInput, error);
        }
        if (got == 0 && !StillOpenPipe(input)) {
            break;
        }
        spool.write(chunk.data(), got);
    }
    spool.seek(0);
    return spool;
}

void FileStream::close() noexcept {
    fFlush.reset();  // its thread uses the handle
    if (fHandle != kNoHandle) {
        CloseHandle(Native(fHandle));
        fHandle = kNoHandle;
    }
}

FileIdentity FileStream::identity() const {
    const auto identity = IdentityOfHandle(Native(fHandle));
    if (!identity) {
        ThrowWindowsFileError("Не удалось определить размер файла", fPath, GetLastError());
    }
    return *identity;
}

std::uint64_t FileStream::size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(Native(fHandle), &size)) {
        ThrowWindowsFileError("Не удалось определить размер файла", fPath, GetLastError());
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

void FileStream::seek(std::uint64_t position) {
    if (position > static_cast<std::uint64_t>(INT64_MAX)) {
        ThrowFileError("Не удалось перейти к позиции " + std::to_string(position) + " в файле",
                       fPath, EINVAL);
    }
    fPosition = position;
}

std::size_t FileStream::readUpTo(void* data, std::size_t count,
                                 std::optional<std::uint64_t> offset) const {
    auto* bytes = static_cast<std::uint8_t*>(data);
    const std::uint64_t start = offset.value_or(fPosition);
    std::size_t done = 0;
    while (done < count) {
        OVERLAPPED at = At(start + done);
        DWORD got = 0;
        if (!ReadFile(Native(fHandle), bytes + done, TransferSize(count - done), &got,
                      fMayWaitForEver ? nullptr : &at)) {
            const DWORD error = GetLastError();
            if (AtEnd(error)) {
                break;
            }
            ThrowWindowsFileError("Не удалось прочитать файл", fPath, error);
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

std::size_t FileStream::writeRoom(std::size_t wanted) {
    return wanted;
}

void FileStream::adviseSequential() const noexcept {
    // The system reads ahead on its own for a file read in order.
}

void FileStream::sync() {
    const int flushError = fFlush ? fFlush->stop() : 0;
    if (flushError != 0) {
        ThrowWindowsFileError("Не удалось сохранить на диск файл", fPath,
                              static_cast<DWORD>(flushError));
    }
    if (!FlushFileBuffers(Native(fHandle))) {
        ThrowWindowsFileError("Не удалось сохранить на диск файл", fPath, GetLastError());
    }
}

}  // namespace kvo
