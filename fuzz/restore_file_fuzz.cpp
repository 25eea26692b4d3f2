// Arbitrary bytes as a whole compressed file through the file-level restore: either the complete
// restored file, or a reported failure that leaves the earlier target as it was and no other
// file behind. The expected outcome is worked out block by block with the reference decoder.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "codec/reference_codec.h"
#include "convert/convertfile.h"
#include "convert/storedblocks.h"
#include "model/fileformat.h"
#include "require.h"
#include "scratch_folder.h"

using kvo::fuzz::Require;

namespace {

constexpr char kEarlierTarget[] = "an earlier restored file";

struct Expected {
    std::optional<std::uint64_t> damagedBlock;  // first block that is cut short or does not restore
    std::optional<std::uint64_t> cutShortBlock;  // first block that runs past the end of the file
    std::uint64_t wholeBlocks = 0;               // blocks in front of that one
    // First block that is cut short or whose section lengths are refused, and the blocks in front
    // of it: what the block walk of a listing sees.
    std::optional<std::uint64_t> unviewableBlock;
    std::uint64_t viewableBlocks = 0;
    std::string restored;  // passport and records, when nothing is damaged
};

Expected RestoreByReference(const std::uint8_t* data, std::size_t size,
                            std::uint32_t passportLength) {
    Expected expected;
    const auto unviewable = [&expected] {
        if (!expected.unviewableBlock) {
            expected.unviewableBlock = expected.viewableBlocks = expected.wholeBlocks;
        }
    };
    expected.restored.assign(data, data + passportLength);
    for (std::size_t at = passportLength; at < size; ++expected.wholeBlocks) {
        const std::int64_t stored = kvo::StoredBlockLength(data + at, size - at);
        if (stored < 0) {
            expected.cutShortBlock = expected.wholeBlocks;
            expected.damagedBlock = expected.damagedBlock.value_or(expected.wholeBlocks);
            unviewable();
            break;
        }
        kvo::codec::SectionLengths lengths{};
        for (std::size_t section = 0, word = at; section < lengths.size(); ++section) {
            lengths[section] = kvo::codec::readU32(data + word);
            word += kvo::codec::kLengthFieldSize + lengths[section];
        }
        const bool refused =
            kvo::codec::storedLengthsFault(lengths) != kvo::codec::ShapeFault::None;
        if (refused) {
            unviewable();
        }
        kvo::T1DimByteArr bytes(data + at, data + at + stored);
        if (!expected.damagedBlock && (refused || kvo::reference::RestoreBlock(bytes) < 0)) {
            expected.damagedBlock = expected.wholeBlocks;
        }
        expected.restored.append(bytes.begin(), bytes.end());
        at += static_cast<std::size_t>(stored);
    }
    if (!expected.unviewableBlock) {
        expected.viewableBlocks = expected.wholeBlocks;
    }
    return expected;
}

// Checking a file without writing it agrees with restoring it, and the block walk of a listing
// finds the same blocks.
void CheckTestAndWalk(kvo::FileStream& source, std::uint32_t passportLength,
                      const std::optional<kvo::ConvertError>& restoreFailure,
                      const kvo::ConvertReport& restoreReport, const Expected& expected) {
    try {
        const kvo::ConvertReport report = kvo::TestFile(source, passportLength, nullptr);
        Require(!restoreFailure && report.blocks == restoreReport.blocks,
                "checking a file passes where restoring it does");
    } catch (const kvo::ConvertError& error) {
        Require(restoreFailure && error.kind() == restoreFailure->kind() &&
                    error.blockIndex() == restoreFailure->blockIndex(),
                "checking a file fails where restoring it does");
    }
    const kvo::StoredBlocks walked = kvo::WalkStoredBlocks(source, passportLength);
    const auto walkedDamage =
        walked.damaged ? std::optional<std::uint64_t>(walked.damaged->index) : std::nullopt;
    Require(walkedDamage == expected.unviewableBlock && walked.blocks == expected.viewableBlocks,
            "the block walk finds the blocks the file holds up to the first it cannot restore");
    Require(!walked.damaged || !walked.damaged->cutShort ||
                walked.damaged->index == expected.cutShortBlock,
            "a block the walk finds cut short runs past the end of the file");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kvo::kPassportLengthOffset + kvo::codec::kLengthFieldSize) {
        return -1;  // no passport length to read; the file-level restore is never called
    }
    const std::uint32_t passportLength = kvo::codec::readU32(data + kvo::kPassportLengthOffset);
    const auto& folder = kvo::fuzz::ScratchFolder();
    const auto sourcePath = folder / "in.kvox";
    const auto targetPath = folder / "in.kvo";
    const std::string input(reinterpret_cast<const char*>(data), size);
    kvo::fuzz::WriteFile(sourcePath, input);
    kvo::fuzz::WriteFile(targetPath, kEarlierTarget);

    auto source = kvo::FileStream::OpenRead(sourcePath.string());
    std::uint64_t lastPosition = passportLength;
    const auto progress = [&](std::uint64_t position) {
        Require(position > lastPosition && position <= size, "progress moves forward in the file");
        lastPosition = position;
    };
    std::optional<kvo::ConvertError> failure;
    kvo::ConvertReport report;
    // Some inputs go through the threaded pipeline; the outcome must not depend on it.
    const unsigned threads = size % 3 == 0 ? 2 : 1;
    try {
        report = kvo::RestoreFile(source, passportLength, targetPath.string(), progress, threads);
    } catch (const kvo::ConvertError& error) {
        failure = error;
    }

    Require(kvo::fuzz::ListFolder(folder) == "in.kvo in.kvox ",
            "the folder holds the source and the target, nothing else");
    Require(kvo::fuzz::ReadFile(sourcePath) == input, "the source is untouched");
    const std::string target = kvo::fuzz::ReadFile(targetPath);
    if (passportLength > size) {
        Require(failure.has_value(), "a passport longer than the file is refused");
    } else {
        const Expected expected = RestoreByReference(data, size, passportLength);
        if (expected.damagedBlock) {
            Require(failure && failure->kind() == kvo::ConvertError::Kind::Damaged &&
                        failure->blockIndex() == *expected.damagedBlock,
                    "the first damaged block is reported");
        } else {
            Require(!failure, "a sound file restores");
            Require(report.blocks == expected.wholeBlocks, "every block is restored");
            Require(target == expected.restored, "the restored file holds passport and records");
            Require(report.bytesWritten == target.size() && report.bytesRead == size,
                    "the report counts what was read and written");
        }
        CheckTestAndWalk(source, passportLength, failure, report, expected);
    }
    if (failure) {
        Require(target == kEarlierTarget, "a failed run leaves the earlier target as it was");
        Require(failure->what()[0] != '\0', "a failure says what went wrong");
    }
    return 0;
}
