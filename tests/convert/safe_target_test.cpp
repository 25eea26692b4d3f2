// What a run may write and when: never a file that a concurrent run or another program created
// meanwhile, never a source that changed under it, never over a link or a device as if it were a
// file, and never a hidden leftover that a killed run would leave behind.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <thread>

#include "convert/convertfile.h"
#include "model/fileformat.h"
#include "testfiles.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

constexpr std::uint32_t kPassport = 24;
constexpr std::uint64_t kRecords = 600;
constexpr std::uint64_t kBlock = 1200;

struct Folder {
    fs::path path;
    std::string recording;
    fs::path source() const { return path / "a.kvo"; }
    fs::path target() const { return path / "a.kvox"; }
};

Folder Prepared(const std::string& name) {
    Folder folder{test::CleanFolder("safe-target-" + name),
                  test::Passport(kPassport) + test::Records(kRecords, 5)};
    WriteBytes(folder.source(), folder.recording);
    return folder;
}

ConvertReport Compress(const Folder& folder, const fs::path& target,
                       const ProgressFn& progress = nullptr, RunOptions options = {}) {
    auto source = FileStream::OpenRead(folder.source().string());
    return CompressFile(source, kPassport, EqualBlocks(kRecords * 6, kBlock), target.string(),
                        progress, options);
}

std::string Expected(const Folder& folder) {
    const fs::path reference = folder.path / "reference.kvox";
    Compress(folder, reference);
    std::string bytes = ReadBytes(reference);
    fs::remove(reference);
    return bytes;
}

std::string Message(const std::function<void()>& run) {
    try {
        run();
    } catch (const ConvertError& error) {
        return error.what();
    }
    return "";
}

TEST(SafeTarget, RefusesPassportsTooShortToBeReadBack) {
    for (const std::uint32_t length : {0u, 1u, 9u}) {
        const Folder folder = Prepared("short-passport-" + std::to_string(length));
        std::string bytes = folder.recording;
        for (int i = 0; i < 4; ++i) {
            bytes[kPassportLengthOffset + i] = static_cast<char>(length >> (8 * i));
        }
        WriteBytes(folder.source(), bytes);
        auto source = FileStream::OpenRead(folder.source().string());
        const std::string message = Message([&] {
            CompressFile(source, length, EqualBlocks(bytes.size() - length, 1200),
                         folder.target().string(), nullptr);
        });
        EXPECT_NE(message.find("длина паспорта " + std::to_string(length)), std::string::npos)
            << message;
        EXPECT_EQ(test::EntriesIn(folder.path), 1u);
    }
}

TEST(SafeTarget, KeepingATargetThatAppearsDuringTheRunFailsTheRun) {
    const Folder folder = Prepared("appears");
    RunOptions keep;
    keep.existingTarget = ExistingTarget::Keep;
    const auto otherRun = [&](std::uint64_t) {
        if (!fs::exists(folder.target())) {
            WriteBytes(folder.target(), "the other run's file");
        }
    };
    const std::string message = Message([&] { Compress(folder, folder.target(), otherRun, keep); });
    EXPECT_NE(message.find("уже существует"), std::string::npos) << message;
    EXPECT_EQ(ReadBytes(folder.target()), "the other run's file");
    EXPECT_EQ(test::EntriesIn(folder.path), 2u);

    fs::remove(folder.target());
    Compress(folder, folder.target(), nullptr, keep);
    EXPECT_EQ(ReadBytes(folder.target()), Expected(folder));
}

TEST(SafeTarget, ASourceThatChangesDuringTheRunWritesNothing) {
    const auto grow = [](const fs::path& source) {
        std::ofstream(source, std::ios::app) << "more";
    };
    const auto rewrite = [](const fs::path& source) {
        std::fstream file(source, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(100);
        file << "x";
        file.close();
        // Same size, later modification time: a rewrite in place.
        const auto later = fs::last_write_time(source) + std::chrono::seconds(5);
        fs::last_write_time(source, later);
    };
    const auto replace = [](const fs::path& source) {
        const std::string bytes = ReadBytes(source);
        fs::remove(source);
        WriteBytes(source, bytes);
    };
    int round = 0;
    for (const auto& change : {std::function<void(const fs::path&)>(grow), {rewrite}, {replace}}) {
        const Folder folder = Prepared("changes-" + std::to_string(round++));
        bool changed = false;
        const std::string message = Message([&] {
            Compress(folder, folder.target(), [&](std::uint64_t) {
                if (!std::exchange(changed, true)) {
                    change(folder.source());
                }
            });
        });
        EXPECT_NE(message.find("изменился во время работы"), std::string::npos) << message;
        EXPECT_EQ(test::EntriesIn(folder.path), 1u);
    }
}

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

TEST(SafeTarget, ARunLeavesNoNamedFileBehindWhileItWritesAndTakesLongNames) {
    const Folder folder = Prepared("unnamed");
    std::size_t entriesDuringRun = 0;
    Compress(folder, folder.target(),
             [&](std::uint64_t) { entriesDuringRun = test::EntriesIn(folder.path); });
    // Only the source is there while the output is written: a killed run leaves nothing.
    EXPECT_EQ(entriesDuringRun, 1u);

    const fs::path longName = folder.path / (std::string(242, 'n') + ".kvox");
    Compress(folder, longName);
    EXPECT_EQ(ReadBytes(longName), Expected(folder));
}

}  // namespace
}  // namespace kvo
