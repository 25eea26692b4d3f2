// Open-dialog filters: captions as the dialog lists them, and their patterns.

#include <gtest/gtest.h>

#include "platform/openfilter.h"

namespace kvo {
namespace {

// Kinds are told by the extension in any letter case, so upper-case names are offered too.
TEST(OpenFilter, PairsBecomeEntriesWithUpperCaseNames) {
    const auto entries =
        filterEntries(QStringLiteral("Noncompressed files(*.kvo)|*.kvo| Compressed "
                                     "files(*.kvo\u0445)|*.kvox|All files(*.*)|*.*"));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].caption, QStringLiteral("Noncompressed files(*.kvo) (*.kvo *.KVO)"));
    EXPECT_EQ(entries[1].caption,
              QStringLiteral(" Compressed files(*.kvo\u0445) (*.kvox *.KVOX)"));
    EXPECT_EQ(entries[1].patterns, (QStringList{"*.kvox", "*.KVOX"}));
    EXPECT_EQ(entries[2].caption, QStringLiteral("All files(*.*) (*.*)"));

    const auto both = filterEntries(QStringLiteral("Both|*.a;*.B"));
    ASSERT_EQ(both.size(), 1u);
    EXPECT_EQ(both[0].caption, QStringLiteral("Both (*.a *.A *.B)"));
    EXPECT_EQ(both[0].patterns, (QStringList{"*.a", "*.A", "*.B"}));
    EXPECT_TRUE(filterEntries(QStringLiteral("Lonely")).empty());
}

}  // namespace
}  // namespace kvo
