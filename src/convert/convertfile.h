#pragma once
// File-level compression and restoration: the passport copy and the block loop, shared by the
// desktop program and the command-line program.
//
// Every run starts by rewinding the source, so a second run over the same stream produces the
// same file. Output goes to a temporary file beside the target that replaces the target only when
// the whole run has succeeded: after any error an existing target is as it was and no new file
// is left behind. All failures are ConvertError; the source file is only ever read.

#include <cstdint>
#include <functional>
#include <string>

#include "convert/blockplan.h"
#include "convert/converterror.h"
#include "platform/filestream.h"

namespace kvo {

// Called after each block with the source position behind it.
using ProgressFn = std::function<void(std::uint64_t sourcePosition)>;

struct ConvertReport {
    std::uint64_t blocks = 0;        // blocks compressed, restored or checked
    std::uint64_t bytesRead = 0;     // source bytes consumed, passport included
    std::uint64_t bytesWritten = 0;  // size of the target, passport included (0 for TestFile)
    std::uint64_t droppedBytes = 0;  // data bytes behind the last block, not carried
    bool noData = false;             // the data area was empty: the target is the passport alone
};

// Compresses the recording behind a passport of passportLength bytes as the plan says.
// Refused before anything is written: a block below 72 bytes (a compressed block needs 12
// records) or not a multiple of 6, a plan that finds no whole record in a non-empty data area or
// runs past it, and a record whose LeadByte is 128 or more (the message names the record,
// counting from 1). threads > 1 codes blocks in parallel; the output is the same byte for byte.
ConvertReport CompressFile(FileStream& source, std::uint32_t passportLength, const BlockPlan& plan,
                           const std::string& targetPath, const ProgressFn& progress,
                           unsigned threads = 1);

// Restores a compressed file. The first block that is cut short by the end of the file or that
// the codec rejects ends the run with Kind::Damaged and its index; nothing of it is written.
ConvertReport RestoreFile(FileStream& source, std::uint32_t passportLength,
                          const std::string& targetPath, const ProgressFn& progress,
                          unsigned threads = 1);

// Decodes every block of a compressed file as RestoreFile does, writing nothing.
ConvertReport TestFile(FileStream& source, std::uint32_t passportLength, const ProgressFn& progress,
                       unsigned threads = 1);

}  // namespace kvo
