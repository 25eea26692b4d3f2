#pragma once
// The small compressed file the damage sweeps cut and flip: a few equal blocks behind a passport.

#include <cstdint>
#include <filesystem>
#include <string>

#include "convert/convertfile.h"
#include "model/fileformat.h"
#include "testfiles.h"

namespace kvo::test {

struct SweepFile {
    std::string original;    // the recording
    std::string compressed;  // its compressed file, a.kvox in the folder
};

// Compresses a recording of `blocks` blocks of `blockRecords` records in `folder`; only a.kvox
// stays there.
inline SweepFile MakeSweepFile(const std::filesystem::path& folder, std::uint32_t passportLength,
                               std::uint64_t blocks, std::uint64_t blockRecords,
                               std::uint32_t seed) {
    SweepFile file;
    file.original = Passport(passportLength) + Records(blocks * blockRecords, seed);
    WriteBytes(folder / "a.kvo", file.original);
    {
        auto source = FileStream::OpenRead((folder / "a.kvo").string());
        const std::uint64_t blockBytes = blockRecords * kRecordSize;
        CompressFile(source, passportLength, EqualBlocks(blocks * blockBytes, blockBytes),
                     (folder / "a.kvox").string(), nullptr);
    }
    file.compressed = ReadBytes(folder / "a.kvox");
    std::filesystem::remove(folder / "a.kvo");
    return file;
}

}  // namespace kvo::test
