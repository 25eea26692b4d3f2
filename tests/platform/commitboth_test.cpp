// Two output files committed together, as an archive and its checksum file are: both get their
// names or neither does, and what the names held before is there again.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/safeoutput.h"
#include "testfiles.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

// Writes "new first" and "new second" to the two names, lets `meanwhile` run before the commit,
// and tells whether the commit went through.
bool CommitBoth(const fs::path& first, const fs::path& second, ExistingTarget existing,
                const std::function<void()>& meanwhile) {
    SafeOutputFile one(first.string(), existing);
    SafeOutputFile two(second.string(), existing);
    one.stream().write("new first", 9);
    two.stream().write("new second", 10);
    meanwhile();
    try {
        SafeOutputFile::commitBoth(one, two);
        return true;
    } catch (const FileError&) {
        return false;
    }
}

TEST(CommitBoth, BothNamesOrNeither) {
    const auto folder = test::CleanFolder("commit-both");
    const auto first = folder / "a.kvox";
    const auto second = folder / "a.kvox.sha256";

    for (const ExistingTarget existing : {ExistingTarget::Keep, ExistingTarget::Replace}) {
        ASSERT_TRUE(CommitBoth(first, second, existing, [] {}));
        EXPECT_EQ(ReadBytes(first), "new first");
        EXPECT_EQ(ReadBytes(second), "new second");
        EXPECT_EQ(test::EntriesIn(folder), 2u);
        fs::remove(first);
        fs::remove(second);
    }

    // Replacing both, with no hidden copy of the earlier files left behind.
    WriteBytes(first, "old first");
    WriteBytes(second, "old second");
    ASSERT_TRUE(CommitBoth(first, second, ExistingTarget::Replace, [] {}));
    EXPECT_EQ(ReadBytes(first), "new first");
    EXPECT_EQ(ReadBytes(second), "new second");
    EXPECT_EQ(test::EntriesIn(folder), 2u);
}

TEST(CommitBoth, ASecondNameThatFailsTakesBackTheFirst) {
    const auto folder = test::CleanFolder("commit-both-undo");
    const auto first = folder / "a.kvox";
    const auto second = folder / "a.kvox.sha256";

    // Kept targets: another program takes the second name meanwhile.
    EXPECT_FALSE(
        CommitBoth(first, second, ExistingTarget::Keep, [&] { WriteBytes(second, "theirs"); }));
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(ReadBytes(second), "theirs");
    EXPECT_EQ(test::EntriesIn(folder), 1u);
    fs::remove(second);

    // Replaced targets: the second name becomes a folder, which is never replaced.
    for (const bool firstExisted : {true, false}) {
        if (firstExisted) {
            WriteBytes(first, "old first");
        }
        EXPECT_FALSE(CommitBoth(first, second, ExistingTarget::Replace,
                                [&] { fs::create_directory(second); }));
        EXPECT_EQ(fs::exists(first), firstExisted);
        if (firstExisted) {
            EXPECT_EQ(ReadBytes(first), "old first");
        }
        EXPECT_TRUE(fs::is_directory(second));
        EXPECT_EQ(test::EntriesIn(folder), firstExisted ? 2u : 1u);
        fs::remove(first);
        fs::remove(second);
    }
}

}  // namespace
}  // namespace kvo
