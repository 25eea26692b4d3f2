// Faults from outside the program in the middle of a run: a full disk, a source that shrinks or
// disappears after it was opened, a directory where the output belongs. Every run ends with a
// clear message, the source as it was, no partial output, and the next run works.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>

#include "convert/convertfile.h"
#include "platform/systemerror.h"
#include "testfiles.h"
#include "tinyfilesystem.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kPassportLength = 24;
constexpr std::uint64_t kBlockBytes = 1800;
constexpr char kEarlierOutput[] = "an earlier output";

// Writes of the whole process fail with a full disk once the budget is spent.
std::atomic<std::size_t> gWriteBudget{0};

WriteOutcome BudgetedWrite(NativeHandle handle, std::uint64_t offset, const void* data,
                           std::size_t count) {
    std::size_t left = gWriteBudget.load();
    std::size_t granted = 0;
    do {
        if (left == 0) {
            return {0, ENOSPC, 0};
        }
        granted = std::min(count, left);
    } while (!gWriteBudget.compare_exchange_weak(left, left - granted));
    return SystemWrite(handle, offset, data, granted);
}

class DiskFullAfter {
  public:
    explicit DiskFullAfter(std::size_t bytes) {
        gWriteBudget = bytes;
        SetWriteFunction(&BudgetedWrite);
    }
    DiskFullAfter(const DiskFullAfter&) = delete;
    DiskFullAfter& operator=(const DiskFullAfter&) = delete;
    ~DiskFullAfter() { SetWriteFunction(nullptr); }
};

enum class Direction { Compress, Restore };

const char* NameOf(Direction direction) {
    return direction == Direction::Compress ? "compress" : "restore";
}

// One conversion: its source, its target and what the target must hold after a good run.
struct Job {
    Direction direction;
    fs::path source;
    fs::path target;
    std::string sourceBytes;
    std::string expected;
};

ConvertReport Convert(const Job& job, FileStream& source, unsigned threads,
                      const ProgressFn& progress = nullptr) {
    if (job.direction == Direction::Compress) {
        const std::uint64_t dataSize = job.sourceBytes.size() - kPassportLength;
        return CompressFile(source, kPassportLength, EqualBlocks(dataSize, kBlockBytes),
                            job.target.string(), progress, threads);
    }
    return RestoreFile(source, kPassportLength, job.target.string(), progress, threads);
}

// The run fails with a message that contains `text`, and leaves the target folder as it was.
void ExpectFailsCleanly(const Job& job, FileStream& source, unsigned threads,
                        const std::string& text, const ProgressFn& progress = nullptr) {
    const std::size_t entriesBefore = test::EntriesIn(job.target.parent_path());
    const bool targetWasFile = fs::is_regular_file(job.target);
    try {
        Convert(job, source, threads, progress);
        ADD_FAILURE() << NameOf(job.direction) << " succeeded";
    } catch (const ConvertError& error) {
        EXPECT_NE(std::string(error.what()).find(text), std::string::npos) << error.what();
    }
    EXPECT_EQ(test::EntriesIn(job.target.parent_path()), entriesBefore);
    if (targetWasFile) {
        EXPECT_EQ(test::ReadBytes(job.target), kEarlierOutput);
    }
}

void ExpectRunWorks(const Job& job, unsigned threads = 1) {
    auto source = FileStream::OpenRead(job.source.string());
    Convert(job, source, threads);
    EXPECT_EQ(test::ReadBytes(job.target), job.expected) << NameOf(job.direction);
}

// A recording and its compressed form.
struct Recording {
    std::string plain;
    std::string compressed;
};

Recording MakeRecording(const fs::path& folder, std::uint64_t records) {
    Recording made{test::Passport(kPassportLength) + test::Records(records, 21), {}};
    test::WriteBytes(folder / "made.kvo", made.plain);
    auto source = FileStream::OpenRead((folder / "made.kvo").string());
    const std::uint64_t dataSize = made.plain.size() - kPassportLength;
    CompressFile(source, kPassportLength, EqualBlocks(dataSize, kBlockBytes),
                 (folder / "made.kvox").string(), nullptr);
    made.compressed = test::ReadBytes(folder / "made.kvox");
    fs::remove(folder / "made.kvo");
    fs::remove(folder / "made.kvox");
    return made;
}

class FaultInjection : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            test::CleanFolder(std::string("faults-") +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        large_ = MakeRecording(folder_, 3000);
    }

    // The source and an earlier output in a folder of the direction's name, or the output in
    // targetFolder.
    Job Prepared(Direction direction, const Recording& recording,
                 const fs::path& targetFolder = {}) {
        const fs::path at = folder_ / NameOf(direction);
        fs::create_directories(at);
        const bool compressing = direction == Direction::Compress;
        Job job{direction, at / (compressing ? "a.kvo" : "a.kvox"),
                (targetFolder.empty() ? at : targetFolder) / (compressing ? "a.kvox" : "a.kvo"),
                compressing ? recording.plain : recording.compressed,
                compressing ? recording.compressed : recording.plain};
        test::WriteBytes(job.source, job.sourceBytes);
        test::WriteBytes(job.target, kEarlierOutput);
        return job;
    }

    fs::path folder_;
    Recording large_;
};

constexpr Direction kDirections[] = {Direction::Compress, Direction::Restore};

TEST_F(FaultInjection, DiskFillsUpAnywhereInTheOutput) {
    const std::string full = SystemErrorText(ENOSPC);
    for (const Direction direction : kDirections) {
        const Job job = Prepared(direction, large_);
        for (const std::size_t budget :
             {std::size_t{0}, std::size_t{10}, job.expected.size() / 2, job.expected.size() - 1}) {
            for (const unsigned threads : {1u, 3u}) {
                SCOPED_TRACE(std::string(NameOf(direction)) + " budget " + std::to_string(budget) +
                             " threads " + std::to_string(threads));
                {
                    const DiskFullAfter disk(budget);
                    auto source = FileStream::OpenRead(job.source.string());
                    ExpectFailsCleanly(job, source, threads, full);
                }
                EXPECT_EQ(test::ReadBytes(job.source), job.sourceBytes);
                ExpectRunWorks(job, threads);
                test::WriteBytes(job.target, kEarlierOutput);
            }
        }
    }
}

TEST_F(FaultInjection, RealFilesystemRunsFull) {
    const fs::path mountPoint = folder_ / "tiny";
    const test::TinyFilesystem tiny(mountPoint, "16k");
    if (!tiny.mounted()) {
        GTEST_SKIP() << "no tmpfs can be mounted here: " << tiny.whyNot();
    }
    const Recording huge = MakeRecording(folder_, 12000);
    const Recording small = MakeRecording(folder_, 600);
    for (const Direction direction : kDirections) {
        SCOPED_TRACE(NameOf(direction));
        const Job job = Prepared(direction, huge, mountPoint);
        ASSERT_GT(job.expected.size(), 16u * 1024) << "the output must not fit";
        auto source = FileStream::OpenRead(job.source.string());
        ExpectFailsCleanly(job, source, 1, SystemErrorText(ENOSPC));
        EXPECT_EQ(test::ReadBytes(job.source), job.sourceBytes);
        // The failed run holds no space: a run whose output fits goes through.
        ExpectRunWorks(Prepared(direction, small, mountPoint));
        fs::remove(job.target);
    }
}

TEST_F(FaultInjection, SourceShrinksAfterItWasOpened) {
    for (const Direction direction : kDirections) {
        const Job job = Prepared(direction, large_);
        for (const unsigned threads : {1u, 3u}) {
            SCOPED_TRACE(std::string(NameOf(direction)) + " threads " + std::to_string(threads));
            {
                // Between opening and the run.
                auto source = FileStream::OpenRead(job.source.string());
                fs::resize_file(job.source, job.sourceBytes.size() / 2);
                ExpectFailsCleanly(job, source, threads, job.source.string());
            }
            test::WriteBytes(job.source, job.sourceBytes);
            {
                // In the middle of the run, behind the first block.
                auto source = FileStream::OpenRead(job.source.string());
                const auto shrink = [&job](std::uint64_t) {
                    if (fs::file_size(job.source) > kPassportLength + 100) {
                        fs::resize_file(job.source, kPassportLength + 100);
                    }
                };
                ExpectFailsCleanly(job, source, threads, job.source.string(), shrink);
            }
            test::WriteBytes(job.source, job.sourceBytes);
            ExpectRunWorks(job, threads);
            test::WriteBytes(job.target, kEarlierOutput);
        }
    }
}

TEST_F(FaultInjection, TargetIsADirectory) {
    for (const Direction direction : kDirections) {
        const Job job = Prepared(direction, large_);
        fs::remove(job.target);
        fs::create_directory(job.target);
        test::WriteBytes(job.target / "inside", "kept");
        auto source = FileStream::OpenRead(job.source.string());
        ExpectFailsCleanly(job, source, 1, job.target.string() + ": " + SystemErrorText(EISDIR));
        EXPECT_EQ(test::ReadBytes(job.target / "inside"), "kept");
        EXPECT_EQ(test::ReadBytes(job.source), job.sourceBytes);

        fs::remove_all(job.target);
        ExpectRunWorks(job);
    }
}

// The open file still holds the data, so the run completes from it.
TEST_F(FaultInjection, SourceDeletedAfterItWasOpened) {
    for (const Direction direction : kDirections) {
        const Job job = Prepared(direction, large_);
        {
            auto source = FileStream::OpenRead(job.source.string());
            fs::remove(job.source);
            Convert(job, source, 1);
            EXPECT_EQ(test::ReadBytes(job.target), job.expected);
        }
        test::WriteBytes(job.source, job.sourceBytes);
        {
            auto source = FileStream::OpenRead(job.source.string());
            const auto remove = [&job](std::uint64_t) { fs::remove(job.source); };
            test::WriteBytes(job.target, kEarlierOutput);
            Convert(job, source, 3, remove);
            EXPECT_EQ(test::ReadBytes(job.target), job.expected);
        }
        EXPECT_EQ(test::EntriesIn(job.target.parent_path()), 1u);
    }
}

}  // namespace
}  // namespace kvo
