// Writes the starting corpus of every fuzz target from synthetic recordings: raw records,
// compressed blocks, compressed files and passports of each kind of data.
// Usage: kvo-fuzz-seeds OUTPUT_FOLDER

#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "codec/kvoarchiver.h"
#include "model/fileformat.h"
#include "synth/kvosynth.h"

namespace {

namespace fs = std::filesystem;
using kvo::synth::Kind;

constexpr Kind kKinds[] = {Kind::TipTiming, Kind::Random, Kind::Constant, Kind::Zeros, Kind::Runs};
// Around the code stream's thresholds (12 raw LeadBytes, the first code at 25) and a few larger.
constexpr std::size_t kBlockRecords[] = {12, 24, 25, 60, 300};
constexpr std::size_t kFileBlocks = 3;
constexpr std::size_t kFileBlockBytes = 40 * kvo::kRecordSize;

void Write(const fs::path& path, const kvo::T1DimByteArr& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

kvo::T1DimByteArr Compressed(kvo::T1DimByteArr records) {
    const std::int32_t length = kvo::CompressBlock(records, 0);
    if (length < 0) {
        throw std::runtime_error("a synthetic block does not compress");
    }
    records.resize(static_cast<std::size_t>(length));
    return records;
}

void WriteSeeds(const fs::path& out) {
    for (const char* target : {"roundtrip", "restore_block", "restore_file", "passport",
                               "compress_file", "salvage", "reader_index", "checksum_file"}) {
        fs::create_directories(out / target);
    }
    // Checksum files in each form sha256sum reads, naming the fuzz target's archive a.kvox.
    const std::string hex = "6d2a0e0f21a0a9e5e6f1b7d3c8b4a3f2e1d0c9b8a7f6e5d4c3b2a1f0e9d8c7b6";
    int sums = 0;
    for (const std::string& text :
         {hex + "  a.kvox\n", hex + " *./a.kvox\n", "\\" + hex + "  a\\\\b\\nc\n",
          "# made by hand\r\n\r\n" + hex + " a.kvox\r\n", "SHA256 (a.kvox) = " + hex + "\n"}) {
        Write(out / "checksum_file" / std::to_string(sums++),
              kvo::T1DimByteArr(text.begin(), text.end()));
    }
    std::uint64_t seed = 1;
    for (const Kind kind : kKinds) {
        const std::string kindName(kvo::synth::kindName(kind));
        for (const std::size_t records : kBlockRecords) {
            const auto name = kindName + "-" + std::to_string(records);
            const auto raw = kvo::synth::makeRecords(kind, records, seed++);
            Write(out / "roundtrip" / name, raw);
            Write(out / "restore_block" / name, Compressed(raw));
        }
        // Three blocks behind a passport, the shape of the files the desktop program writes.
        auto file = kvo::synth::makePassport(seed);
        const auto records =
            kvo::synth::makeRecords(kind, kFileBlocks * kFileBlockBytes / kvo::kRecordSize, seed++);
        for (std::size_t block = 0; block < kFileBlocks; ++block) {
            const auto begin =
                records.begin() + static_cast<std::ptrdiff_t>(block * kFileBlockBytes);
            const auto coded = Compressed(kvo::T1DimByteArr(begin, begin + kFileBlockBytes));
            file.insert(file.end(), coded.begin(), coded.end());
        }
        Write(out / "restore_file" / kindName, file);
        Write(out / "reader_index" / kindName, file);
        Write(out / "passport" / kindName, kvo::synth::makeRecording(kind, 20, seed++));
        // Block size choice 28 (40 records), each of the three plans, one and two threads.
        for (const std::uint8_t plan : {0, 1, 2, 4, 5, 6}) {
            auto job = kvo::synth::makeRecords(kind, 150, seed++);
            job.insert(job.begin(), {28, plan});
            Write(out / "compress_file" / (kindName + "-" + std::to_string(plan)), job);
        }
        // Three blocks of 40 records, one stretch damaged, not cut; the records follow.
        for (const std::uint8_t at : {0, 90, 200}) {
            auto job = kvo::synth::makeRecords(kind, 150, seed++);
            job.insert(job.begin(), {2, 28, 1, 1, at, 0, 0x10, 2});
            Write(out / "salvage" / (kindName + "-" + std::to_string(at)), job);
        }
    }
    // Two large blocks, the length words of the first one broken; and 9 MiB of the word
    // 0x00860086 in front of the second of two blocks, where a search that rereads the file per
    // offset never ends.
    auto large = kvo::synth::makeRecords(Kind::TipTiming, 4096, seed++);
    large.insert(large.begin(), {1, 128 + 16, 1, 1, 0, 0, 0x10, 2});
    Write(out / "salvage" / "large", large);
    auto inserted = kvo::synth::makeRecords(Kind::TipTiming, 80, seed++);
    inserted.insert(inserted.begin(), {1, 28, 1, 1, 1, 8, 0x86, 0xF0});
    Write(out / "salvage" / "inserted", inserted);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: kvo-fuzz-seeds OUTPUT_FOLDER\n";
        return 2;
    }
    try {
        WriteSeeds(argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "kvo-fuzz-seeds: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
