#include <windows.h>

#include <cerrno>

#include "platform/systemerror.h"

namespace kvo {
namespace {

// ERROR_DISK_QUOTA_EXCEEDED, which mingw-w64's headers lack.
constexpr unsigned long kDiskQuotaExceeded = 1295;

}  // namespace

// The codes the file calls return, grouped by the errno value whose text tells the user the same.
int ErrnoOfWindowsError(unsigned long code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_BAD_PATHNAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_NETWORK_ACCESS_DENIED:
        case ERROR_CURRENT_DIRECTORY:
        case ERROR_CANNOT_MAKE:
        case ERROR_DRIVE_LOCKED:
        case ERROR_DELETE_PENDING:
            return EACCES;
        case ERROR_PRIVILEGE_NOT_HELD:
            return EPERM;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
        case kDiskQuotaExceeded:  // no errno value for a quota here: to the user, no space
            return ENOSPC;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return EEXIST;
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_PARAMETER:
        case ERROR_INVALID_FUNCTION:
        case ERROR_NEGATIVE_SEEK:
            return EINVAL;
        case ERROR_CRC:
        case ERROR_IO_DEVICE:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_GEN_FAILURE:
        case ERROR_SECTOR_NOT_FOUND:
        case ERROR_SEEK:
        case ERROR_NOT_READY:
        case ERROR_FILE_CORRUPT:
        case ERROR_DISK_CORRUPT:
            return EIO;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
        case ERROR_COMMITMENT_LIMIT:
        case ERROR_NO_SYSTEM_RESOURCES:
            return ENOMEM;
        case ERROR_FILE_TOO_LARGE:
            return EFBIG;
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW:
            return ENAMETOOLONG;
        case ERROR_CANT_RESOLVE_FILENAME:  // a loop of links or junctions
            return ELOOP;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_BUSY:
        case ERROR_USER_MAPPED_FILE:
            return EBUSY;
        case ERROR_NOT_SAME_DEVICE:
            return EXDEV;
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
        case ERROR_PIPE_NOT_CONNECTED:
            return EPIPE;
        case ERROR_INVALID_HANDLE:
        case ERROR_INVALID_TARGET_HANDLE:
        case ERROR_DIRECT_ACCESS_HANDLE:
            return EBADF;
        case ERROR_DEVICE_NOT_CONNECTED:
            return ENXIO;
        case ERROR_BAD_UNIT:
        case ERROR_DEV_NOT_EXIST:
            return ENODEV;
        case ERROR_SEEK_ON_DEVICE:
            return ESPIPE;
        default:
            return 0;
    }
}

std::string SystemErrorText(const std::error_code& error) {
    if (error.category() == std::system_category()) {
        return WindowsErrorText(static_cast<unsigned long>(error.value()));
    }
    return SystemErrorText(error.value());
}

std::string WindowsErrorText(unsigned long code) {
    return ReasonWithNumber(ErrnoOfWindowsError(code), static_cast<long long>(code));
}

}  // namespace kvo
