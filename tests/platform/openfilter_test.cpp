// Open-dialog filters in Qt's syntax.

#include <gtest/gtest.h>

#include "platform/openfilter.h"

namespace kvo {
namespace {

// Kinds are told by the extension in any letter case, so upper-case names are offered too.
TEST(OpenFilter, PairsBecomeQtEntriesWithUpperCaseNames) {
    EXPECT_EQ(toQtFilter(QStringLiteral("Noncompressed files(*.kvo)|*.kvo| Compressed "
                                        "files(*.kvo\u0445)|*.kvox|All files(*.*)|*.*")),
              QStringLiteral("Noncompressed files(*.kvo) (*.kvo *.KVO);; Compressed "
                             "files(*.kvo\u0445) (*.kvox *.KVOX);;All files(*.*) (*.*)"));
    EXPECT_EQ(toQtFilter(QStringLiteral("Both|*.a;*.B")), QStringLiteral("Both (*.a *.A *.B)"));
    EXPECT_EQ(toQtFilter(QStringLiteral("Lonely")), QString());
}

}  // namespace
}  // namespace kvo
