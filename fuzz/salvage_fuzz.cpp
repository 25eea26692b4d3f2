// Salvaging a compressed file with damage in it: a few blocks are built from the input, a few
// stretches of their bytes are overwritten and the file may be cut short. Salvage never fails
// but for nothing left to save, writes nothing beside its output, and brings back every block
// the damage did not touch: at its own place when every gap before it was filled, and at a
// record boundary of the output in any case.
// Input: blocks, records per block, damage count, cut, then 4 bytes per damage, then the records.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codec/kvoarchiver.h"
#include "convert/convertfile.h"
#include "convert/salvagefile.h"
#include "model/fileformat.h"
#include "require.h"
#include "scratch_folder.h"

using kvo::fuzz::Require;

namespace {

constexpr std::size_t kHeader = 4;
constexpr std::size_t kDamageBytes = 4;

struct Built {
    std::string file;
    std::vector<std::pair<std::size_t, std::size_t>> stored;  // byte range of each block
    std::vector<std::string> records;                         // records of each block
};

Built Build(const std::uint8_t* data, std::size_t size, std::size_t blocks, std::size_t perBlock) {
    Built built;
    built.file.assign(kvo::kDefaultPassport.begin(), kvo::kDefaultPassport.end());
    std::size_t next = 0;
    for (std::size_t block = 0; block < blocks; ++block) {
        kvo::T1DimByteArr records(perBlock * kvo::kRecordSize);
        for (std::size_t i = 0; i < records.size(); ++i) {
            records[i] = size == 0 ? static_cast<std::uint8_t>(i * 7) : data[next++ % size];
            if (i % kvo::kRecordSize == 0) {
                records[i] &= 0x7F;
            }
        }
        kvo::T1DimByteArr coded;
        Require(kvo::CompressRecords(records.data(), perBlock, coded) > 0, "block compresses");
        const std::size_t start = built.file.size();
        built.file.append(coded.begin(), coded.end());
        built.stored.emplace_back(start, built.file.size());
        built.records.emplace_back(records.begin(), records.end());
    }
    return built;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeader) {
        return -1;
    }
    const std::size_t blocks = 1 + data[0] % 4;
    const std::size_t perBlock = 12 + data[1] % 64;
    const std::size_t damages = data[2] % 5;
    const bool cut = data[3] % 4 == 0;
    if (size < kHeader + damages * kDamageBytes + 1) {
        return -1;
    }
    const std::uint8_t* damage = data + kHeader;
    const std::uint8_t* content = damage + damages * kDamageBytes;
    const std::size_t contentSize = size - kHeader - damages * kDamageBytes;
    Built built = Build(content, contentSize, blocks, perBlock);
    const std::uint32_t passportLength = kvo::kDefaultPassportLength;

    // Damage only behind the passport: where the data begin is the passport's word alone.
    std::vector<bool> touched(built.file.size(), false);
    const std::size_t area = built.file.size() - passportLength;
    for (std::size_t i = 0; i < damages; ++i) {
        const std::uint8_t* d = damage + i * kDamageBytes;
        const std::size_t at = passportLength + (d[0] | (d[1] << 8)) % area;
        const std::size_t length = 1 + d[3] % 8;
        for (std::size_t j = at; j < std::min(at + length, built.file.size()); ++j) {
            built.file[j] = static_cast<char>(built.file[j] ^ (d[2] | 1));
            touched[j] = true;
        }
    }
    if (cut) {
        const std::size_t keep = passportLength + (content[0] * 131u) % (area + 1);
        std::fill(touched.begin() + static_cast<std::ptrdiff_t>(keep), touched.end(), true);
        built.file.resize(keep);
    }

    const auto& folder = kvo::fuzz::ScratchFolder();
    const auto sourcePath = folder / "damaged.kvox";
    const auto targetPath = folder / "damaged.kvo";
    kvo::fuzz::WriteFile(sourcePath, built.file);
    std::filesystem::remove(targetPath);
    auto source = kvo::FileStream::OpenRead(sourcePath.string());
    kvo::SalvageReport report;
    try {
        report = kvo::SalvageFile(source, passportLength, targetPath.string(), nullptr);
    } catch (const kvo::ConvertError& error) {
        Require(error.kind() == kvo::ConvertError::Kind::Damaged, "only damage stops a salvage");
        Require(kvo::fuzz::ListFolder(folder) == "damaged.kvox ", "a failed salvage wrote nothing");
        for (std::size_t block = 0; block < blocks; ++block) {
            const auto [start, end] = built.stored[block];
            bool intact = end <= touched.size();
            for (std::size_t j = start; intact && j < end; ++j) {
                intact = !touched[j];
            }
            Require(!intact, "an intact block makes a salvage succeed");
        }
        return 0;
    }
    Require(kvo::fuzz::ListFolder(folder) == "damaged.kvo damaged.kvox ", "only the output");
    const std::string output = kvo::fuzz::ReadFile(targetPath);
    Require(output.size() == report.bytesWritten, "the report counts the output");
    Require((output.size() - passportLength) % kvo::kRecordSize == 0, "whole records only");
    Require(output.compare(0, passportLength, built.file, 0, passportLength) == 0,
            "the passport comes first");

    for (std::size_t block = 0; block < blocks; ++block) {
        const auto [start, end] = built.stored[block];
        bool intact = end <= touched.size();
        for (std::size_t j = start; intact && j < end; ++j) {
            intact = !touched[j];
        }
        if (!intact) {
            continue;
        }
        const std::size_t ownPlace = passportLength + block * perBlock * kvo::kRecordSize;
        bool allFilled = true;
        for (const kvo::SalvageGap& gap : report.gaps) {
            allFilled = allFilled && (gap.filled || gap.fileStart >= start);
        }
        const std::string& records = built.records[block];
        if (allFilled) {
            Require(output.compare(ownPlace, records.size(), records) == 0,
                    "an intact block is kept at its place");
            continue;
        }
        bool found = false;
        for (std::size_t at = passportLength; !found && at + records.size() <= output.size();
             at += kvo::kRecordSize) {
            found = output.compare(at, records.size(), records) == 0;
        }
        Require(found, "an intact block is kept");
    }
    return 0;
}
