// Open-dialog filters in Qt's syntax.

#include <gtest/gtest.h>

#include "platform/openfilter.h"

namespace kvo {
namespace {

TEST(OpenFilter, PairsBecomeQtEntries) {
    EXPECT_EQ(toQtFilter(QStringLiteral("Noncompressed files(*.kvo)|*.kvo| Compressed "
                                        "files(*.kvo\u0445)|*.kvox|All files(*.*)|*.*")),
              QStringLiteral("Noncompressed files(*.kvo) (*.kvo);; Compressed files(*.kvo\u0445) "
                             "(*.kvox);;All files(*.*) (*.*)"));
    EXPECT_EQ(toQtFilter(QStringLiteral("Both|*.a;*.b")), QStringLiteral("Both (*.a *.b)"));
    EXPECT_EQ(toQtFilter(QStringLiteral("Lonely")), QString());
}

}  // namespace
}  // namespace kvo
