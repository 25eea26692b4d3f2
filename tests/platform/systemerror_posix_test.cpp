// The reasons only POSIX systems report.

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/systemerror.h"
#include "systemerrortesting.h"

namespace kvo {
namespace {

TEST(SystemErrorText, QuotaAndStaleHandleAreDescribed) {
    ExpectRussianReason(SystemErrorText(EDQUOT), EDQUOT);
    ExpectRussianReason(SystemErrorText(ESTALE), ESTALE);
}

}  // namespace
}  // namespace kvo
