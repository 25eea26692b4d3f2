// Arbitrary data behind a default passport through the file-level compression with the block
// plans the programs use: either a refusal that writes nothing, or a compressed file that
// restores to the passport and every record the plan covers.
// Input: one byte for the block size, one for plan, threads and LeadByte masking, then the data.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "codec/kvoarchiver.h"
#include "convert/blockplan.h"
#include "convert/convertfile.h"
#include "model/fileformat.h"
#include "require.h"
#include "scratch_folder.h"

using kvo::fuzz::Require;

namespace {

constexpr std::size_t kHeader = 2;

kvo::BlockPlan PlanFor(std::uint8_t sizeChoice, std::uint8_t planChoice, std::uint64_t dataSize) {
    // Mostly sizes a compressed block can hold; a few that must be refused.
    const std::uint64_t blockSize =
        sizeChoice < 240 ? (12 + sizeChoice) * kvo::kRecordSize : (sizeChoice - 240) * 5;
    switch (planChoice % 3) {
        case 0:
            return kvo::EqualBlocks(dataSize, blockSize);
        case 1:
            return blockSize % kvo::kRecordSize == 0 && blockSize >= kvo::kMinBlockSize
                       ? kvo::CoveringBlocks(dataSize, blockSize)
                       : kvo::EqualBlocks(dataSize, blockSize);
        default:
            // Any bound, tiny ones included: the default plan must still choose codable blocks.
            return kvo::DefaultBlocks(dataSize, blockSize);
    }
}

bool Acceptable(std::uint64_t blockSize) {
    return blockSize % kvo::kRecordSize == 0 && blockSize >= kvo::kMinBlockSize;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeader) {
        return -1;
    }
    const std::uint8_t planChoice = data[1];
    std::string recording(kvo::kDefaultPassport.begin(), kvo::kDefaultPassport.end());
    recording.append(reinterpret_cast<const char*>(data + kHeader), size - kHeader);
    if ((planChoice & 0x80) == 0) {
        for (std::size_t at = kvo::kDefaultPassportLength; at < recording.size();
             at += kvo::kRecordSize) {
            recording[at] = static_cast<char>(recording[at] & 0x7F);
        }
    }
    const std::uint64_t dataSize = size - kHeader;
    const kvo::BlockPlan plan = PlanFor(data[0], planChoice, dataSize);

    const auto& folder = kvo::fuzz::ScratchFolder();
    const auto sourcePath = folder / "in.kvo";
    const auto targetPath = folder / "in.kvox";
    kvo::fuzz::WriteFile(sourcePath, recording);
    auto source = kvo::FileStream::OpenRead(sourcePath.string());
    const unsigned threads = 1 + (planChoice >> 2) % 2;
    std::optional<kvo::ConvertError> failure;
    kvo::ConvertReport report;
    try {
        report = kvo::CompressFile(source, kvo::kDefaultPassportLength, plan, targetPath.string(),
                                   nullptr, threads);
    } catch (const kvo::ConvertError& error) {
        failure = error;
    }

    const auto* records =
        reinterpret_cast<const std::uint8_t*>(recording.data()) + kvo::kDefaultPassportLength;
    const bool codable =
        kvo::FindUncodableLeadByte(records, plan.coveredBytes() / kvo::kRecordSize) < 0;
    const bool sound =
        dataSize == 0 || (plan.blockCount() != 0 && plan.coveredBytes() <= dataSize && codable &&
                          (plan.fullBlocks == 0 || Acceptable(plan.blockSize)) &&
                          (plan.lastBlockSize == 0 || Acceptable(plan.lastBlockSize)));
    if (failure) {
        Require(!sound, "a sound plan over codable records compresses");
        Require(failure->kind() == kvo::ConvertError::Kind::Refused,
                "a compression that cannot be done is refused");
        Require(kvo::fuzz::ListFolder(folder) == "in.kvo ", "a refused run writes nothing");
        return 0;
    }
    Require(sound, "only a sound plan over codable records compresses");
    Require(report.blocks == (dataSize == 0 ? 0 : plan.blockCount()), "every planned block");

    auto compressed = kvo::FileStream::OpenRead(targetPath.string());
    const auto restoredPath = folder / "out.kvo";
    kvo::RestoreFile(compressed, kvo::kDefaultPassportLength, restoredPath.string(), nullptr);
    const std::uint64_t carried = dataSize == 0 ? 0 : plan.coveredBytes();
    Require(kvo::fuzz::ReadFile(restoredPath) ==
                recording.substr(0, kvo::kDefaultPassportLength + carried),
            "the compressed file restores to the passport and the covered records");
    Require(report.droppedBytes == dataSize - carried, "the bytes left behind are reported");
    std::filesystem::remove(targetPath);
    std::filesystem::remove(restoredPath);
    return 0;
}
