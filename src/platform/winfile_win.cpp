#include "platform/winfile.h"

#include <atomic>
#include <cerrno>

#include "platform/systemerror.h"
#include "platform/widetext.h"

namespace kvo {
namespace {

// 100-nanosecond steps from 1601 to 1970.
constexpr std::int64_t kUnixEpochInFileTime = 116'444'736'000'000'000;

}  // namespace

int PortableErrorOf(DWORD code) noexcept {
    const int error = ErrnoOfWindowsError(code);
    return error != 0 ? error : EIO;
}

void ThrowWindowsFileError(const std::string& what, const std::string& path, DWORD code) {
    throw FileError(what + " " + path + ": " + WindowsErrorText(code), PortableErrorOf(code), path);
}

void ThrowSystemFailure(const std::string& what, const std::string& path,
                        const WriteOutcome& outcome) {
    if (outcome.systemCode != 0) {
        ThrowWindowsFileError(what, path, outcome.systemCode);
    }
    ThrowFileError(what, path, outcome.error);
}

OwnedHandle Owned(HANDLE handle) noexcept {
    return OwnedHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info)) {
        return std::nullopt;
    }
    // Only the read-only attribute says anything about writing; it reads as permission bits.
    const std::uint32_t mode = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow,
                        (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
                        NanosecondsOf(info.ftLastWriteTime), mode};
}

std::int64_t NanosecondsOf(const FILETIME& time) noexcept {
    const auto ticks =
        static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
    return (ticks - kUnixEpochInFileTime) * 100;
}

LONGLONG FileTimeOf(std::int64_t nanoseconds) noexcept {
    return nanoseconds / 100 + kUnixEpochInFileTime;
}

std::string TemporaryName(const std::string& folder, const std::string& stem) {
    static std::atomic<unsigned> counter{0};
    return folder + "\\." + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(counter.fetch_add(1));
}

HANDLE CreateHiddenFile(const std::string& path, DWORD flags) noexcept {
    return CreateFileW(SystemPathOf(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                       FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_HIDDEN | flags, nullptr);
}

bool IsDevicePath(const std::wstring& systemPath) noexcept {
    return systemPath.starts_with(L"\\\\.\\");
}

bool SetDeleteOnClose(HANDLE handle, bool deleteOnClose) noexcept {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleteOnClose ? TRUE : FALSE;
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

}  // namespace kvo
