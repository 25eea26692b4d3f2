// Russian wording of counts and of the system's error reasons.

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/russiancount.h"
#include "platform/systemerror.h"
#include "systemerrortesting.h"

namespace kvo {
namespace {

TEST(RussianCount, NounAgreesWithTheLastDigits) {
    for (const std::uint64_t one : {1u, 21u, 101u, 1001u, 4294967291u}) {
        EXPECT_EQ(RussianPlural(one, kBlockForms), "блок") << one;
    }
    for (const std::uint64_t few : {2u, 3u, 4u, 22u, 34u, 102u}) {
        EXPECT_EQ(RussianPlural(few, kBlockForms), "блока") << few;
    }
    for (const std::uint64_t many : {0u, 5u, 9u, 10u, 11u, 12u, 14u, 19u, 20u, 111u, 112u, 1000u}) {
        EXPECT_EQ(RussianPlural(many, kBlockForms), "блоков") << many;
    }
    EXPECT_EQ(CountOf(1, kByteForms), "1 байт");
    EXPECT_EQ(CountOf(3, kByteForms), "3 байта");
    EXPECT_EQ(CountOf(24, kByteForms), "24 байта");
    EXPECT_EQ(CountOf(5, kByteForms), "5 байт");
    EXPECT_EQ(CountOf(21, kRecordForms), "21 запись");
    EXPECT_EQ(CountOf(12, kRecordForms), "12 записей");
    EXPECT_EQ(CountOf(2, kRecordForms), "2 записи");
}

TEST(SystemErrorText, RussianReasonWithTheNumber) {
    EXPECT_EQ(SystemErrorText(ENOSPC), "нет места на устройстве (ошибка 28)");
    EXPECT_EQ(SystemErrorText(ENOENT), "нет такого файла или каталога (ошибка 2)");
    EXPECT_EQ(SystemErrorText(99999), "неизвестная системная ошибка (ошибка 99999)");
    EXPECT_EQ(SystemErrorText(std::make_error_code(std::errc::no_space_on_device)),
              SystemErrorText(ENOSPC));
    // The reasons a user meets are all described, and in Russian: no Latin letters.
    for (const int code : {ENOENT,  EACCES, EPERM,  ENOSPC, EROFS,  EISDIR, ENOTDIR,      EEXIST,
                           EINVAL,  EIO,    EMFILE, ENFILE, ENOMEM, EFBIG,  ENAMETOOLONG, ELOOP,
                           ETXTBSY, EBUSY,  EXDEV,  EFAULT, EPIPE,  EAGAIN, EINTR,        EBADF}) {
        ExpectRussianReason(SystemErrorText(code), code);
    }
}

}  // namespace
}  // namespace kvo
