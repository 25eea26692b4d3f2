// The error box adds a full stop only where the message does not end in one or a lower character.

#include <gtest/gtest.h>

#include "platform/errortext.h"

namespace kvo {
namespace {

TEST(ErrorText, FullStopRule) {
    EXPECT_EQ(errorBoxText("Disk full"), "Disk full.");
    EXPECT_EQ(errorBoxText("Файл не найден"), "Файл не найден.");
    EXPECT_EQ(errorBoxText("/tmp/a.kvo"), "/tmp/a.kvo.");
    EXPECT_EQ(errorBoxText("Done."), "Done.");
    EXPECT_EQ(errorBoxText("a,"), "a,");
    EXPECT_EQ(errorBoxText("(x)"), "(x)");
    EXPECT_EQ(errorBoxText("trailing "), "trailing ");
    EXPECT_EQ(errorBoxText("a/"), "a/.");  // '/' comes after '.'
    EXPECT_EQ(errorBoxText(""), "");
}

}  // namespace
}  // namespace kvo
