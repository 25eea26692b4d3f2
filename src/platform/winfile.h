#pragma once
// Windows only: what the file, safe-output and write-access parts share on that system.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/filestream.h"

namespace kvo {

// The errno value code above the platform compares for a Windows error code; an error code
// without one counts as an input or output error, never as success.
int PortableErrorOf(DWORD code) noexcept;

// Throws FileError "<what> <path>: <reason> (ошибка <code>)" with the portable errno value.
[[noreturn]] void ThrowWindowsFileError(const std::string& what, const std::string& path,
                                        DWORD code);

// Closes a handle on leaving scope.
struct HandleCloser {
    void operator()(void* handle) const noexcept { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

// The handle a CreateFileW result gives, or nothing when it failed (GetLastError tells why).
OwnedHandle Owned(HANDLE handle) noexcept;

// The identity of an open file, or nothing for a pipe, a console or a device.
std::optional<FileIdentity> IdentityOfHandle(HANDLE handle);

// Nanoseconds since 1970 and the system's file times (100-nanosecond steps since 1601).
std::int64_t NanosecondsOf(const FILETIME& time) noexcept;
LONGLONG FileTimeOf(std::int64_t nanoseconds) noexcept;

// A short hidden name for a file of this process in `folder`, new each time.
std::string TemporaryName(const std::string& folder, const std::string& stem);

// Creates a new hidden file for reading and writing that others may read and this process may
// rename; INVALID_HANDLE_VALUE when it fails (GetLastError tells why).
HANDLE CreateHiddenFile(const std::string& path, DWORD flags) noexcept;

// Whether a system path names a device (NUL, CON, \\.\...) rather than a file.
bool IsDevicePath(const std::wstring& systemPath) noexcept;

// Marks an open file (opened with DELETE access) to go when its last handle closes, or takes
// that back. False when the file system cannot.
bool SetDeleteOnClose(HANDLE handle, bool deleteOnClose) noexcept;

}  // namespace kvo
