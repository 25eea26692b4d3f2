// Salvaging a compressed file with damage in it: a few blocks are built from the input, a few
// stretches of their bytes are overwritten and the file may be cut short. Salvage never fails
// but for nothing left to save, writes nothing beside its output, brings back every block the
// damage did not touch (at its own place when every gap before it was filled, and at a record
// boundary of the output in any case), and takes time in proportion to the file's size.
// Input: blocks, records per block (from 128 on: large blocks of thousands of records, whose
// damage lies anywhere in them), damage count, cut, then 4 bytes per damage, then the records.
// A damage whose last byte is 0xF0 or more inserts megabytes of a repeated word in front of a
// block instead: a search that rereads the file per offset there never ends.

#include <cstddef>
#include <cstdint>
#include <ctime>
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
constexpr std::size_t kLargeFrom = 128;
constexpr std::size_t kLargeStep = 256;
constexpr std::uint8_t kInsertFrom = 0xF0;
constexpr std::size_t kMiB = std::size_t{1} << 20;
// CPU time a salvage may take, sanitizers and coverage counting included: a search that looks at
// every offset once stays far below it, one that rereads the file per offset does not.
constexpr double kSecondsPerByte = 1e-6;
constexpr double kSecondsAtLeast = 1.0;

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

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
    const bool large = data[1] >= kLargeFrom;
    const std::size_t perBlock =
        large ? 12 + (data[1] - kLargeFrom) * kLargeStep : 12 + data[1] % 64;
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
    std::size_t area = built.file.size() - passportLength;
    const std::uint8_t* insertion = nullptr;
    for (std::size_t i = 0; i < damages; ++i) {
        const std::uint8_t* d = damage + i * kDamageBytes;
        if (d[3] >= kInsertFrom) {
            insertion = insertion != nullptr ? insertion : d;
            continue;
        }
        const std::size_t where = d[0] | (d[1] << 8);
        const std::size_t at = passportLength + (large ? where * area / 65536 : where % area);
        const std::size_t length = 1 + d[3] % 8;
        for (std::size_t j = at; j < std::min(at + length, built.file.size()); ++j) {
            built.file[j] = static_cast<char>(built.file[j] ^ (d[2] | 1));
            touched[j] = true;
        }
    }
    if (insertion != nullptr) {
        // 1 to 10 MiB of the word (v, 0, v, 0) in front of a block or behind the last.
        const std::size_t before = insertion[0] % (blocks + 1);
        const std::size_t at = before < blocks ? built.stored[before].first : built.file.size();
        const std::size_t length = (1 + insertion[1] % 10) * kMiB;
        std::string stretch(length, '\0');
        for (std::size_t j = 0; j < length; j += 2) {
            stretch[j] = static_cast<char>(insertion[2]);
        }
        built.file.insert(at, stretch);
        touched.insert(touched.begin() + static_cast<std::ptrdiff_t>(at), length, true);
        for (std::size_t block = before; block < blocks; ++block) {
            built.stored[block].first += length;
            built.stored[block].second += length;
        }
        area += length;
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
    const double started = CpuSeconds();
    const auto requireInTime = [&] {
        Require(CpuSeconds() - started <=
                    kSecondsAtLeast + kSecondsPerByte * static_cast<double>(built.file.size()),
                "salvage takes time in proportion to the file");
    };
    try {
        report = kvo::SalvageFile(source, passportLength, targetPath.string(), nullptr);
        requireInTime();
    } catch (const kvo::ConvertError& error) {
        requireInTime();
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
