#pragma once
// File-level compression and restoration: the passport copy and the block loop, shared by the
// desktop program and the command-line program.
//
// Every run starts by rewinding the source, so a second run over the same stream produces the
// same file. Output goes to an unnamed file beside the target that takes the target's name only
// when the whole run has succeeded: after any error an existing target is as it was and no new
// file is left behind. A source that changes while it is read (grown, shrunk, rewritten or
// replaced) fails the run. All failures are ConvertError; the source file is only ever read.

#include <cstdint>
#include <functional>
#include <string>

#include <optional>

#include "convert/blockplan.h"
#include "convert/converterror.h"
#include "platform/filestream.h"
#include "platform/safeoutput.h"

namespace kvo {

// Called after each block with the source position behind it.
using ProgressFn = std::function<void(std::uint64_t sourcePosition)>;

struct RunOptions {
    // A thread count alone asks for the defaults otherwise.
    RunOptions(unsigned threadCount = 1)
        : threads(threadCount) {}  // NOLINT(google-explicit-constructor)

    unsigned threads = 1;  // > 1 codes blocks in parallel; the output is the same byte for byte
    ExistingTarget existingTarget = ExistingTarget::Replace;
    // Compression decodes every block it has coded and compares it with the records, then walks
    // the written file block by block, before the file gets its name.
    bool verify = true;
    // Also writes TARGET.sha256 (sha256sum format), hashed while writing. A compressed file
    // written over gets its checksum file rewritten whether or not this asks for one.
    bool checksum = false;
    // The target gets the source's owner and group (where permitted), permission bits and
    // modification time, as gzip does.
    bool keepSourceMetadata = false;
};

struct ConvertReport {
    std::uint64_t blocks = 0;           // blocks compressed, restored or checked
    std::uint64_t bytesRead = 0;        // source bytes consumed, passport included
    std::uint64_t bytesWritten = 0;     // size of the target, passport included (0 for TestFile)
    std::uint64_t droppedBytes = 0;     // data bytes behind the last block, not carried
    bool noData = false;                // the data area was empty: the target is the passport alone
    std::optional<std::string> sha256;  // the target's digest, when a checksum file was written
    bool checksumMatched = false;       // the source agreed with the checksum file beside it
};

// Compresses the recording behind a passport of passportLength bytes as the plan says.
// Refused before anything is written: a passport shorter than its own first 10 bytes (its
// compressed file could never be read back), a block below 72 bytes (a compressed block needs 12
// records) or not a multiple of 6, a plan that finds no whole record in a non-empty data area or
// runs past it, and a record whose LeadByte is 128 or more (the message names the record,
// counting from 1). A block that does not decode back to its records is Kind::Verification.
ConvertReport CompressFile(FileStream& source, std::uint32_t passportLength, const BlockPlan& plan,
                           const std::string& targetPath, const ProgressFn& progress,
                           const RunOptions& options = {});

// Restores a compressed file. The first block that is cut short by the end of the file or that
// the codec rejects ends the run with Kind::Damaged and its index; nothing of it is written. When
// the file has a checksum file beside it (NAME.sha256), the file is hashed as it is read, and a
// digest that differs is Kind::ChecksumMismatch, with nothing written.
ConvertReport RestoreFile(FileStream& source, std::uint32_t passportLength,
                          const std::string& targetPath, const ProgressFn& progress,
                          const RunOptions& options = {});

// Decodes every block of a compressed file as RestoreFile does, writing nothing.
ConvertReport TestFile(FileStream& source, std::uint32_t passportLength, const ProgressFn& progress,
                       const RunOptions& options = {});

}  // namespace kvo
