// Windows error codes told with the same Russian reasons as the errno values.

#include <windows.h>

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/systemerror.h"
#include "systemerrortesting.h"

namespace kvo {
namespace {

TEST(WindowsErrorText, SameReasonAsTheErrnoValueWithTheWindowsCode) {
    EXPECT_EQ(WindowsErrorText(ERROR_DISK_FULL), "нет места на устройстве (ошибка 112)");
    EXPECT_EQ(WindowsErrorText(ERROR_FILE_NOT_FOUND), "нет такого файла или каталога (ошибка 2)");
    EXPECT_EQ(WindowsErrorText(ERROR_ACCESS_DENIED), ReasonWithNumber(EACCES, 5));
    EXPECT_EQ(WindowsErrorText(0xDEADu), "неизвестная системная ошибка (ошибка 57005)");
    EXPECT_EQ(ErrnoOfWindowsError(0xDEADu), 0);
}

TEST(WindowsErrorText, FileSystemLibraryErrorsKeepTheirCategory) {
    EXPECT_EQ(SystemErrorText(std::error_code(ERROR_DISK_FULL, std::system_category())),
              "нет места на устройстве (ошибка 112)");
    EXPECT_EQ(SystemErrorText(std::error_code(ENOSPC, std::generic_category())),
              SystemErrorText(ENOSPC));
}

TEST(WindowsErrorText, FileCallFailuresMapToTheirErrnoValue) {
    const struct {
        unsigned long code;
        int errnoValue;
    } cases[] = {
        {ERROR_FILE_NOT_FOUND, ENOENT},
        {ERROR_PATH_NOT_FOUND, ENOENT},
        {ERROR_ACCESS_DENIED, EACCES},
        {ERROR_DISK_FULL, ENOSPC},
        {ERROR_HANDLE_DISK_FULL, ENOSPC},
        {1295 /* disk quota exceeded */, ENOSPC},
        {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
        {ERROR_ALREADY_EXISTS, EEXIST},
        {ERROR_FILE_EXISTS, EEXIST},
        {ERROR_SHARING_VIOLATION, EBUSY},
        {ERROR_LOCK_VIOLATION, EBUSY},
        {ERROR_WRITE_PROTECT, EROFS},
        {ERROR_BROKEN_PIPE, EPIPE},
        {ERROR_NO_DATA, EPIPE},
        {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
        {ERROR_OUTOFMEMORY, ENOMEM},
        {ERROR_INVALID_NAME, EINVAL},
        {ERROR_DIRECTORY, ENOTDIR},
        {ERROR_NOT_SAME_DEVICE, EXDEV},
        {ERROR_CRC, EIO},
        {ERROR_IO_DEVICE, EIO},
        {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
        {ERROR_INVALID_HANDLE, EBADF},
        {ERROR_PRIVILEGE_NOT_HELD, EPERM},
        {ERROR_FILE_TOO_LARGE, EFBIG},
        {ERROR_SEEK_ON_DEVICE, ESPIPE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrnoOfWindowsError(c.code), c.errnoValue) << c.code;
        ExpectRussianReason(WindowsErrorText(c.code), static_cast<long long>(c.code));
    }
}

}  // namespace
}  // namespace kvo
