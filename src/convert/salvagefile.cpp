#include "convert/salvagefile.h"

#include <algorithm>
#include <array>
#include <optional>

#include "codec/block_format.h"
#include "codec/kvoarchiver.h"
#include "convert/convertoutput.h"
#include "convert/dataarea.h"
#include "convert/ioerrors.h"
#include "convert/sourcewatch.h"
#include "model/fileformat.h"

namespace kvo {
namespace {

using codec::kBlockOverhead;
using codec::kLengthFieldSize;
using codec::kMinRecords;

constexpr std::size_t kWindowBytes = std::size_t{8} << 20;
constexpr std::uint64_t kProgressEvery = std::uint64_t{1} << 20;

// Random access to the file through one window that moves as needed, so memory stays near the
// size of one block however large the damaged stretch.
class FileWindow {
  public:
    FileWindow(FileStream& source, std::uint64_t end) : fSource(source), fEnd(end) {}

    // [offset, offset + length) of the file, or null when that runs past its end.
    const std::uint8_t* bytes(std::uint64_t offset, std::uint64_t length) {
        if (offset > fEnd || length > fEnd - offset) {
            return nullptr;
        }
        if (offset < fStart || offset + length > fStart + fBuffer.size()) {
            fStart = offset;
            fBuffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(
                std::max<std::uint64_t>(length, kWindowBytes), fEnd - offset)));
            fSource.seek(offset);
            fSource.readExact(fBuffer.data(), fBuffer.size());
        }
        return fBuffer.data() + (offset - fStart);
    }
    std::optional<std::uint32_t> word(std::uint64_t offset) {
        const std::uint8_t* at = bytes(offset, kLengthFieldSize);
        return at != nullptr ? std::optional(codec::readU32(at)) : std::nullopt;
    }

  private:
    FileStream& fSource;
    std::uint64_t fEnd;
    std::uint64_t fStart = 0;
    T1DimByteArr fBuffer;
};

// The four section lengths of a block, as far as they follow one another inside the file.
struct Lengths {
    std::array<std::uint32_t, codec::kSectionCount> section{};
    std::uint64_t stored = 0;

    std::uint64_t records() const { return section[0] / codec::kFirstWordSize; }
    // The shapes our compressor can write; anything else is damage.
    bool plausible() const { return codec::storedLengthsFault(section) == codec::ShapeFault::None; }
};

// Reads the length chain at `offset` with the first length given; null when it leaves the file.
std::optional<Lengths> ChainAt(FileWindow& file, std::uint64_t offset, std::uint32_t first) {
    Lengths lengths;
    lengths.section[0] = first;
    std::uint64_t at = offset + kLengthFieldSize + first;
    for (std::size_t i = 1; i < codec::kSectionCount; ++i) {
        const auto word = file.word(at);
        if (!word) {
            return std::nullopt;
        }
        lengths.section[i] = *word;
        at += kLengthFieldSize + *word;
    }
    lengths.stored = at - offset;
    if (!file.bytes(offset, lengths.stored)) {
        return std::nullopt;
    }
    return lengths;
}

std::optional<Lengths> LengthsAt(FileWindow& file, std::uint64_t offset) {
    const auto first = file.word(offset);
    return first ? ChainAt(file, offset, *first) : std::nullopt;
}

class Salvager {
  public:
    Salvager(FileStream& source, std::uint64_t dataStart, std::uint64_t end, FileStream& output,
             const ProgressFn& progress)
        : fFile(source, end), fEnd(end), fOutput(output), fProgress(progress), fAt(dataStart) {}

    SalvageReport run() {
        while (fAt < fEnd) {
            tell(fAt);
            const auto lengths = LengthsAt(fFile, fAt);
            std::uint64_t resume = fEnd;
            if (lengths && lengths->plausible()) {
                if (restoreAt(fAt, lengths->stored)) {
                    advanceTo(fAt + lengths->stored);
                    continue;
                }
                // Lengths that hold together are the block's own when a run section still adds
                // up to the count and no sound block begins inside the stretch they claim.
                const std::uint64_t end = fAt + lengths->stored;
                resume = nextBlockAfter(fAt, end);
                if (resume == end &&
                    RunSectionAgreesWithCount(fFile.bytes(fAt, lengths->stored), lengths->stored)) {
                    fill(fAt, end, lengths->records());
                    advanceTo(end);
                    continue;
                }
                if (resume == end) {
                    resume = nextBlockAfter(end - 1, fEnd);  // nothing sound began before `end`
                }
            } else {
                resume = nextBlockAfter(fAt, fEnd);
            }
            if (const auto lost = recordsBetween(fAt, resume)) {
                fill(fAt, resume, *lost);
            } else {
                fReport.gaps.push_back({fBlock, fAt, resume, fReport.recordsWritten, 0, false});
            }
            advanceTo(resume);
        }
        return fReport;
    }

  private:
    void tell(std::uint64_t at) const {
        if (fProgress) {
            fProgress(at);
        }
    }

    // A block that decodes is sound unless its lengths run over the start of another block
    // that decodes: damage that added whole run pairs of count 0 still leaves the sums right.
    bool restoreAt(std::uint64_t at, std::uint64_t stored) {
        const std::uint8_t* block = fFile.bytes(at, stored);
        if (RestoreBlockInto(block, static_cast<std::size_t>(stored), fRecords) < 0) {
            return false;
        }
        const std::uint64_t end = at + stored;
        if (!boundaryAt(end) && nextBlockAfter(at, end) != end) {
            return false;
        }
        fOutput.write(fRecords.data(), fRecords.size());
        fReport.recordsWritten += fRecords.size() / kRecordSize;
        ++fReport.blocksRestored;
        return true;
    }

    // Where a block may end: the end of the file, or lengths that hold together.
    bool boundaryAt(std::uint64_t at) {
        if (at == fEnd) {
            return true;
        }
        const auto next = LengthsAt(fFile, at);
        return next && next->plausible();
    }

    void advanceTo(std::uint64_t at) {
        fAt = at;
        ++fBlock;
    }

    void fill(std::uint64_t from, std::uint64_t to, std::uint64_t records) {
        fReport.gaps.push_back({fBlock, from, to, fReport.recordsWritten, records, true});
        const T1DimByteArr zeros(std::min<std::uint64_t>(records * kRecordSize, kWindowBytes), 0);
        for (std::uint64_t left = records * kRecordSize; left > 0;) {
            const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
            fOutput.write(zeros.data(), part);
            left -= part;
        }
        fReport.recordsWritten += records;
    }

    // The first offset in (from, limit) where a whole block decodes, or limit: the three sums of
    // a block that all agree are evidence enough, whatever damage follows it.
    std::uint64_t nextBlockAfter(std::uint64_t from, std::uint64_t limit) {
        for (std::uint64_t at = from + 1; at < limit && at + kBlockOverhead <= fEnd; ++at) {
            if ((at - from) % kProgressEvery == 0) {
                tell(at);
            }
            const auto first = fFile.word(at);
            if (!first || *first % 2 != 0 || *first / 2 < kMinRecords || *first > fEnd - at) {
                continue;
            }
            const auto lengths = ChainAt(fFile, at, *first);
            if (lengths && lengths->plausible() &&
                RestoreBlockInto(fFile.bytes(at, lengths->stored),
                                 static_cast<std::size_t>(lengths->stored), fScratch) >= 0) {
                return at;
            }
        }
        return limit;
    }

    // How many records the damaged stretch [from, to) held, when its bytes tell: it is one block
    // that leads exactly to `to` and decodes once one broken length word is set right. Only the
    // count is taken from it: its records came through damage and are written as zeros.
    std::optional<std::uint64_t> recordsBetween(std::uint64_t from, std::uint64_t to) {
        if (to == fEnd || to - from < kBlockOverhead) {
            return std::nullopt;  // a cut-off end holds no block whose records could be counted
        }
        const std::uint64_t span = to - from;
        // The record count itself broke: every later length stands where the records put it.
        for (std::uint64_t n = kMinRecords; kBlockOverhead + 2 * n <= span; ++n) {
            const auto lengths = ChainAt(fFile, from, static_cast<std::uint32_t>(2 * n));
            if (lengths && lengths->stored == span && lengths->plausible() &&
                decodesRepaired(from, *lengths, from)) {
                return n;
            }
        }
        const auto first = fFile.word(from);
        if (!first || *first % 2 != 0 || kBlockOverhead + *first > span) {
            return std::nullopt;
        }
        // The count holds; one of the three run and code lengths broke.
        for (std::size_t broken = 1; broken < codec::kSectionCount; ++broken) {
            if (oneLengthRepairs(from, to, *first, broken)) {
                return *first / 2;
            }
        }
        return std::nullopt;
    }

    // Whether some value of length word `broken` makes the block at `from`, with its first
    // length `first` and its other words as read, a plausible block that ends exactly at `to`.
    bool oneLengthRepairs(std::uint64_t from, std::uint64_t to, std::uint32_t first,
                          std::size_t broken) {
        const std::uint64_t n = first / 2;
        const std::uint64_t largest = std::array<std::uint64_t, 4>{0, 2 * n, n, 4 * n}[broken];
        for (std::uint64_t value = 0; value <= largest; ++value) {
            Lengths lengths;
            lengths.section[0] = first;
            std::uint64_t at = from + kLengthFieldSize + first;
            bool read = true;
            for (std::size_t i = 1; i < codec::kSectionCount && read; ++i) {
                const auto word = fFile.word(at);
                read = word.has_value() && at < to;
                lengths.section[i] =
                    i == broken ? static_cast<std::uint32_t>(value) : word.value_or(0);
                at += kLengthFieldSize + lengths.section[i];
            }
            lengths.stored = at - from;
            if (read && at == to && lengths.plausible() &&
                decodesRepaired(from, lengths, wordAt(from, lengths, broken))) {
                return true;
            }
        }
        return false;
    }

    static std::uint64_t wordAt(std::uint64_t from, const Lengths& lengths, std::size_t section) {
        std::uint64_t at = from;
        for (std::size_t i = 0; i < section; ++i) {
            at += kLengthFieldSize + lengths.section[i];
        }
        return at;
    }

    // Whether the block at `from` decodes with the length word at `repairedAt` set as `lengths`
    // say it should be.
    bool decodesRepaired(std::uint64_t from, const Lengths& lengths, std::uint64_t repairedAt) {
        const std::uint8_t* stored = fFile.bytes(from, lengths.stored);
        fRepaired.assign(stored, stored + lengths.stored);
        std::size_t section = 0;
        while (wordAt(from, lengths, section) != repairedAt) {
            ++section;
        }
        codec::writeU32(fRepaired.data() + (repairedAt - from), lengths.section[section]);
        return RestoreBlockInto(fRepaired.data(), fRepaired.size(), fScratch) >= 0;
    }

    FileWindow fFile;
    std::uint64_t fEnd;
    FileStream& fOutput;
    const ProgressFn& fProgress;
    std::uint64_t fAt;
    std::uint64_t fBlock = 0;
    T1DimByteArr fRecords;
    T1DimByteArr fScratch;  // blocks decoded only to see whether they decode
    T1DimByteArr fRepaired;
    SalvageReport fReport;
};

}  // namespace

SalvageReport SalvageFile(FileStream& source, std::uint32_t passportLength,
                          const std::string& targetPath, const ProgressFn& progress,
                          const RunOptions& options) {
    return WithIoErrors([&] {
        const std::uint64_t dataSize = DataAreaSize(source, passportLength);
        const SourceWatch watch(source);
        ConvertOutput output(targetPath, options, source);
        source.seek(0);
        output.stream().copyFrom(source, passportLength);
        SalvageReport report =
            Salvager(source, passportLength, passportLength + dataSize, output.stream(), progress)
                .run();
        if (dataSize != 0 && report.blocksRestored == 0) {
            throw ConvertError(ConvertError::Kind::Damaged,
                               "Файл " + source.path() +
                                   " поврежден: ни один блок не восстанавливается, сохранить "
                                   "нечего");
        }
        watch.requireUnchanged();
        report.bytesWritten = output.stream().position();
        output.commit();
        return report;
    });
}

}  // namespace kvo
