#pragma once
// What kvox -t and the reader each make of one compressed file: both must refuse the same files,
// name the same damaged block in the same words, and otherwise find the same blocks.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "convert/convertfile.h"
#include "convert/storedblocks.h"
#include "reader/recording.h"

namespace kvo::test {

struct Verdict {
    std::optional<ConvertError::Kind> failure;  // none: every block restores
    std::uint64_t block = 0;                    // the damaged block, for Damaged
    std::string message;
    std::uint64_t blocks = 0;  // blocks restored, when none failed

    bool operator==(const Verdict&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Verdict& verdict) {
    if (!verdict.failure) {
        return out << verdict.blocks << " blocks";
    }
    return out << "failure " << static_cast<int>(*verdict.failure) << " at block " << verdict.block
               << ": " << verdict.message;
}

inline Verdict FailureVerdict(const ConvertError& error) {
    const bool damaged = error.kind() == ConvertError::Kind::Damaged;
    return {error.kind(), damaged ? error.blockIndex() : 0, error.what(), 0};
}

// Checks the file as kvox -t does.
inline Verdict TestVerdict(const std::string& path, unsigned threads) {
    try {
        auto source = FileStream::OpenRead(path);
        const std::uint32_t passportLength = ReadPassportLength(source);
        return {std::nullopt, 0, "", TestFile(source, passportLength, nullptr, threads).blocks};
    } catch (const ConvertError& error) {
        return FailureVerdict(error);
    }
}

// Opens the file with the reader and visits every block.
inline Verdict ReaderVerdict(const std::string& path, unsigned threads) {
    try {
        auto recording = reader::Recording::Open(path, FileKind::Compressed);
        recording.setThreads(threads);
        std::uint64_t blocks = 0;
        recording.visitBlocks(
            [&blocks](const reader::BlockEntry&, const std::uint8_t*) { ++blocks; });
        return {std::nullopt, 0, "", blocks};
    } catch (const ConvertError& error) {
        return FailureVerdict(error);
    }
}

}  // namespace kvo::test
