// What a run may write and when: never a file that a concurrent run or another program created
// meanwhile, never a source that changed under it, never over a link or a device as if it were a
// file, and never a hidden leftover that a killed run would leave behind.

#include <gtest/gtest.h>

#include <fstream>

#include "model/fileformat.h"
#include "safetargetfolder.h"

namespace kvo::test {
namespace {

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
        // Where a file open for reading cannot be replaced by name at once (Windows), the
        // replaced source is simply gone; either way no output is there.
        EXPECT_EQ(test::EntriesIn(folder.path), fs::exists(folder.source()) ? 1u : 0u);
    }
}

TEST(SafeTarget, LongTargetNamesGetAShortTemporaryName) {
    const Folder folder = Prepared("long-name");
    const fs::path longName = folder.path / (std::string(242, 'n') + ".kvox");
    Compress(folder, longName);
    EXPECT_EQ(ReadBytes(longName), Expected(folder));
}

}  // namespace
}  // namespace kvo::test
