// What a run may write where only POSIX systems have it: links, owners and mode bits, devices,
// named pipes, and files without a name.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "safetargetfolder.h"

namespace kvo::test {
namespace {

TEST(SafeTarget, LinksAreFollowedAndKept) {
    const Folder folder = Prepared("links");
    fs::create_directory(folder.path / "real");
    WriteBytes(folder.path / "real" / "old.kvox", "old");
    fs::create_symlink("real/old.kvox", folder.path / "link.kvox");
    Compress(folder, folder.path / "link.kvox");
    EXPECT_TRUE(fs::is_symlink(folder.path / "link.kvox"));
    EXPECT_EQ(ReadBytes(folder.path / "real" / "old.kvox"), Expected(folder));

    // A link to a file not yet there creates that file.
    fs::create_symlink("real/new.kvox", folder.path / "dangling.kvox");
    Compress(folder, folder.path / "dangling.kvox");
    EXPECT_TRUE(fs::is_symlink(folder.path / "dangling.kvox"));
    EXPECT_EQ(ReadBytes(folder.path / "real" / "new.kvox"), Expected(folder));
}

// Another user's link may point anywhere: only the runner's own links are followed, and only
// when replacing is asked for. Tests run as root, so a link given to another uid is not the
// runner's.
TEST(SafeTarget, LinksOfOtherUsersAndLinksToNothingAreNotFollowedBlindly) {
    const Folder folder = Prepared("foreign-links");
    RunOptions keep;
    keep.existingTarget = ExistingTarget::Keep;
    fs::create_directory(folder.path / "elsewhere");
    fs::create_symlink("elsewhere/new.kvox", folder.target());
    const std::string kept = Message([&] { Compress(folder, folder.target(), nullptr, keep); });
    EXPECT_NE(kept.find("уже существует"), std::string::npos) << kept;
    EXPECT_FALSE(fs::exists(folder.path / "elsewhere" / "new.kvox"));

    ASSERT_EQ(::lchown(folder.target().c_str(), 12345, 12345), 0);
    const std::string foreign = Message([&] { Compress(folder, folder.target()); });
    EXPECT_NE(foreign.find("ссылка"), std::string::npos) << foreign;
    EXPECT_FALSE(fs::exists(folder.path / "elsewhere" / "new.kvox"));

    // The same for a link to a file that is there: it is not replaced.
    WriteBytes(folder.path / "elsewhere" / "new.kvox", "someone's file");
    const std::string existing = Message([&] { Compress(folder, folder.target()); });
    EXPECT_NE(existing.find("ссылка"), std::string::npos) << existing;
    EXPECT_EQ(ReadBytes(folder.path / "elsewhere" / "new.kvox"), "someone's file");
    EXPECT_TRUE(fs::is_symlink(folder.target()));
}

struct stat StatOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

// A recording is no program: set-user-ID, set-group-ID and sticky bits never reach an output,
// while the owner and group of the source do, as they do with the usual compressors.
TEST(SafeTarget, OutputsGetTheSourcesOwnerButNoSpecialModeBits) {
    const Folder folder = Prepared("owner");
    ASSERT_EQ(::chown(folder.source().c_str(), 12345, 12346), 0);
    ASSERT_EQ(::chmod(folder.source().c_str(), 07755), 0);
    RunOptions keepMetadata;
    keepMetadata.keepSourceMetadata = true;
    Compress(folder, folder.target(), nullptr, keepMetadata);
    const struct stat compressed = StatOf(folder.target());
    EXPECT_EQ(compressed.st_uid, 12345u);
    EXPECT_EQ(compressed.st_gid, 12346u);
    EXPECT_EQ(compressed.st_mode & 07777, 0755u);

    ASSERT_EQ(::chmod(folder.target().c_str(), 06750), 0);
    auto archive = FileStream::OpenRead(folder.target().string());
    const fs::path restored = folder.path / "restored.kvo";
    RestoreFile(archive, kPassport, restored.string(), nullptr, keepMetadata);
    EXPECT_EQ(ReadBytes(restored), folder.recording);
    EXPECT_EQ(StatOf(restored).st_mode & 07777, 0750u);
    EXPECT_EQ(StatOf(restored).st_uid, 12345u);

    // The window replaces a file and keeps its permissions, not its special bits.
    ASSERT_EQ(::chmod(restored.c_str(), 04711), 0);
    auto again = FileStream::OpenRead(folder.target().string());
    RestoreFile(again, kPassport, restored.string(), nullptr);
    EXPECT_EQ(StatOf(restored).st_mode & 07777, 0711u);
}

TEST(SafeTarget, DevicesAndPipesAreWrittenNotReplaced) {
    const Folder folder = Prepared("devices");
    const ConvertReport report = Compress(folder, "/dev/null");
    EXPECT_GT(report.bytesWritten, kPassport);
    struct stat info {};
    ASSERT_EQ(::stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));

    const fs::path fifo = folder.path / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadBytes(fifo); });
    Compress(folder, fifo);
    reader.join();
    EXPECT_EQ(received, Expected(folder));
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(SafeTarget, ARunLeavesNoNamedFileBehindWhileItWrites) {
    const Folder folder = Prepared("unnamed");
    std::size_t entriesDuringRun = 0;
    Compress(folder, folder.target(),
             [&](std::uint64_t) { entriesDuringRun = test::EntriesIn(folder.path); });
    // Only the source is there while the output is written: a killed run leaves nothing.
    EXPECT_EQ(entriesDuringRun, 1u);
}

}  // namespace
}  // namespace kvo::test
