#include "convert/salvagefile.h"

#include <algorithm>
#include <array>
#include <limits>
#include <numeric>
#include <optional>
#include <vector>

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
using codec::kSectionCount;

constexpr std::uint64_t kProgressEvery = std::uint64_t{1} << 20;
constexpr std::size_t kZeroBytes = std::size_t{1} << 20;

// Access to a file too large to hold. A scan over every offset of a stretch reads it once, through
// a window that moves on; a look at a word elsewhere costs one small read, never the reloading of
// a large window; a block is read whole only to be decoded.
class ScannedFile {
  public:
    ScannedFile(FileStream& source, std::uint64_t end) : fSource(source), fEnd(end) {}

    std::uint64_t end() const { return fEnd; }

    // The little-endian word at `offset`, or null when it runs past the end.
    std::optional<std::uint32_t> word(std::uint64_t offset) const {
        if (offset > fEnd || fEnd - offset < kLengthFieldSize) {
            return std::nullopt;
        }
        if (offset >= fWindowStart && offset - fWindowStart + kLengthFieldSize <= fWindow.size()) {
            return codec::readU32(fWindow.data() + (offset - fWindowStart));
        }
        std::array<std::uint8_t, kLengthFieldSize> word{};
        fSource.readExactAt(offset, word.data(), word.size());
        return codec::readU32(word.data());
    }

    // Calls visit(offset, word) for the words at [from, to) that lie inside the file, in order,
    // until it returns false.
    template <typename Visit>
    void scanWords(std::uint64_t from, std::uint64_t to, Visit visit) {
        if (fEnd < kLengthFieldSize) {
            return;
        }
        to = std::min(to, fEnd - kLengthFieldSize + 1);
        for (std::uint64_t at = from; at < to;) {
            fWindowStart = at;
            fWindow.resize(static_cast<std::size_t>(
                std::min<std::uint64_t>(kWindowBytes + kLengthFieldSize - 1, fEnd - at)));
            fSource.readExactAt(at, fWindow.data(), fWindow.size());
            const std::uint64_t stop = std::min(to, at + kWindowBytes);
            for (; at < stop; ++at) {
                if (!visit(at, codec::readU32(fWindow.data() + (at - fWindowStart)))) {
                    return;
                }
            }
        }
    }

    // The word at `offset` for a caller that asks in ascending order: it is read with its
    // neighbours, so many looks ahead cost one read, not one each.
    std::optional<std::uint32_t> wordAhead(std::uint64_t offset) {
        if (offset > fEnd || fEnd - offset < kLengthFieldSize) {
            return std::nullopt;
        }
        if (offset < fAheadStart || offset - fAheadStart + kLengthFieldSize > fAhead.size()) {
            fAheadStart = offset;
            fAhead.resize(
                static_cast<std::size_t>(std::min<std::uint64_t>(kAheadBytes, fEnd - offset)));
            fSource.readExactAt(offset, fAhead.data(), fAhead.size());
        }
        return codec::readU32(fAhead.data() + (offset - fAheadStart));
    }

    // [offset, offset + length) of the file, valid until the next call; null past the end.
    const std::uint8_t* bytes(std::uint64_t offset, std::uint64_t length) {
        if (offset > fEnd || length > fEnd - offset) {
            return nullptr;
        }
        if (offset != fBlockOffset || length != fBlock.size()) {
            fBlockOffset = offset;
            fBlock.resize(static_cast<std::size_t>(length));
            fSource.readExactAt(offset, fBlock.data(), fBlock.size());
        }
        return fBlock.data();
    }

  private:
    static constexpr std::uint64_t kWindowBytes = std::uint64_t{4} << 20;
    static constexpr std::uint64_t kAheadBytes = std::uint64_t{256} << 10;

    FileStream& fSource;
    std::uint64_t fEnd;
    std::uint64_t fWindowStart = 0;
    T1DimByteArr fWindow;  // a word that begins at its end is read from it too
    std::uint64_t fAheadStart = 0;
    T1DimByteArr fAhead;
    std::uint64_t fBlockOffset = 0;
    T1DimByteArr fBlock;
};

// The four section lengths of a block, as far as they follow one another inside the file.
struct Lengths {
    codec::SectionLengths section{};
    std::uint64_t stored = 0;

    std::uint64_t records() const { return section[0] / codec::kFirstWordSize; }
    // The shapes of a block that can restore; anything else is damage.
    bool plausible() const { return codec::storedLengthsFault(section) == codec::ShapeFault::None; }
    // Where the length word of `index` stands, for a block at `offset`.
    std::uint64_t wordAt(std::uint64_t offset, std::size_t index) const {
        for (std::size_t i = 0; i < index; ++i) {
            offset += kLengthFieldSize + section[i];
        }
        return offset;
    }
};

constexpr std::size_t kNoRepair = kSectionCount;

// The length chain at `offset` with the first length given and, when `repaired` names one of the
// later sections, that length set to `value` instead of read; null when it leaves the file.
std::optional<Lengths> ChainAt(const ScannedFile& file, std::uint64_t offset, std::uint32_t first,
                               std::size_t repaired = kNoRepair, std::uint32_t value = 0) {
    Lengths lengths;
    lengths.section[0] = first;
    std::uint64_t at = offset + kLengthFieldSize + first;
    for (std::size_t i = 1; i < kSectionCount; ++i) {
        if (i == repaired) {
            lengths.section[i] = value;
        } else {
            const auto word = file.word(at);
            if (!word) {
                return std::nullopt;
            }
            lengths.section[i] = *word;
        }
        at += kLengthFieldSize + lengths.section[i];
        if (at > file.end()) {
            return std::nullopt;
        }
    }
    lengths.stored = at - offset;
    return lengths;
}

std::optional<Lengths> LengthsAt(const ScannedFile& file, std::uint64_t offset) {
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
            if (lengths && lengths->plausible() && decodes(fAt, *lengths)) {
                keep(*lengths);
                continue;
            }
            std::uint64_t resume = fEnd;
            bool searched = false;
            if (lengths) {
                const std::uint64_t end = fAt + lengths->stored;
                const std::size_t agreeing = RunSectionsAgreeingWithCount(
                    fFile.bytes(fAt, lengths->stored), lengths->stored);
                // Both run sections confirm the count and the next block starts where the
                // lengths end: this is the block, whatever broke inside it.
                if (agreeing == 2 && boundaryAt(end)) {
                    fill(fAt, end, lengths->records());
                    advanceTo(end);
                    continue;
                }
                // One confirms it and no sound block begins inside the stretch they claim.
                if (agreeing != 0 && lengths->plausible()) {
                    resume = findBlock(fAt, end, fAt);
                    if (resume == end) {
                        fill(fAt, end, lengths->records());
                        advanceTo(end);
                        continue;
                    }
                    searched = true;
                }
            }
            if (!searched) {
                resume = findBlock(fAt, fEnd, fAt);
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

    // Whether the block at `at` decodes; its records are then in fRecords. The block a search
    // found is decoded once, not again when the salvage moves on to it.
    bool decodes(std::uint64_t at, const Lengths& lengths) {
        if (fDecodedAt == at) {
            return true;
        }
        fDecodedAt.reset();
        if (RestoreBlockInto(fFile.bytes(at, lengths.stored),
                             static_cast<std::size_t>(lengths.stored), fRecords) < 0) {
            return false;
        }
        fDecodedAt = at;
        return true;
    }

    // Writes the block at fAt, just decoded. A block that decodes is never given up for another:
    // where its end is no block boundary, damage to its own lengths may have taken in the start of
    // the next block as run pairs of count 0, so a block that begins inside it and runs on past
    // its end is where the salvage goes on. One lying wholly inside it is part of its payload.
    void keep(const Lengths& lengths) {
        fOutput.write(fRecords.data(), fRecords.size());
        fReport.recordsWritten += fRecords.size() / kRecordSize;
        ++fReport.blocksRestored;
        const std::uint64_t end = fAt + lengths.stored;
        std::uint64_t next = end;
        if (!boundaryAt(end)) {
            next = findBlock(fAt, end, end);
        }
        advanceTo(next);
    }

    // Where a block may begin: the end of the file, or lengths that hold together.
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
        const T1DimByteArr zeros(std::min<std::uint64_t>(records * kRecordSize, kZeroBytes), 0);
        for (std::uint64_t left = records * kRecordSize; left > 0;) {
            const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
            fOutput.write(zeros.data(), part);
            left -= part;
        }
        fReport.recordsWritten += records;
    }

    // The first offset in (from, limit) where a whole block decodes that ends past `endingAfter`,
    // or limit: the three sums of a block that all agree are evidence enough, whatever damage
    // follows it. Only an offset whose first two length words hold together costs more than a
    // look at its bytes, and only a block whose lengths all do is decoded.
    std::uint64_t findBlock(std::uint64_t from, std::uint64_t limit, std::uint64_t endingAfter) {
        std::uint64_t found = limit;
        const std::uint64_t last =
            fEnd - std::min(fEnd, kBlockOverhead);  // the last start possible
        const auto settle = [&] {
            if (const auto block = firstThatDecodes(endingAfter)) {
                found = *block;
            }
            fCandidates.clear();
            return found == limit;
        };
        fCandidates.clear();
        fFile.scanWords(from + 1, std::min(limit, last + 1),
                        [&](std::uint64_t at, std::uint32_t first) {
                            if ((at - from) % kProgressEvery == 0) {
                                tell(at);
                            }
                            if (first % 2 != 0 || first / 2 < kMinRecords || first > last - at) {
                                return true;
                            }
                            fCandidates.push_back({at, first});
                            return fCandidates.size() < kCandidateBatch || settle();
                        });
        if (!fCandidates.empty()) {
            settle();
        }
        return found;
    }

    // The first of fCandidates (in file order) where a whole block decodes that ends past
    // `endingAfter`. Their second length words lie anywhere ahead; they are read in file order,
    // so that a stretch of the file serves many at once instead of one read each.
    std::optional<std::uint64_t> firstThatDecodes(std::uint64_t endingAfter) {
        const auto secondAt = [](const Candidate& c) { return c.at + kLengthFieldSize + c.first; };
        fOrder.resize(fCandidates.size());
        std::iota(fOrder.begin(), fOrder.end(), std::size_t{0});
        std::sort(fOrder.begin(), fOrder.end(), [&](std::size_t a, std::size_t b) {
            return secondAt(fCandidates[a]) < secondAt(fCandidates[b]);
        });
        for (const std::size_t i : fOrder) {
            const std::uint64_t at = secondAt(fCandidates[i]);
            const auto second = fFile.wordAhead(at);
            fCandidates[i].secondHolds = second && *second != 0 &&
                                         *second % codec::kSecondBytePairSize == 0 &&
                                         *second <= fEnd - at - (kBlockOverhead - kLengthFieldSize);
        }
        for (const Candidate& c : fCandidates) {
            if (!c.secondHolds) {
                continue;
            }
            const auto lengths = ChainAt(fFile, c.at, c.first);
            if (lengths && c.at + lengths->stored > endingAfter && lengths->plausible() &&
                decodes(c.at, *lengths)) {
                return c.at;
            }
        }
        return std::nullopt;
    }

    // The offsets in [from, to) whose word, taken as a section length, ends that section exactly at
    // one of `ends` (ascending): where the length word of the section before may stand.
    std::vector<std::uint64_t> wordsEndingAt(std::uint64_t from, std::uint64_t to,
                                             const std::vector<std::uint64_t>& ends) {
        std::vector<std::uint64_t> found;
        if (!ends.empty()) {
            fFile.scanWords(from, std::min(to, ends.back()),
                            [&](std::uint64_t at, std::uint32_t word) {
                                if (std::binary_search(ends.begin(), ends.end(),
                                                       at + kLengthFieldSize + word)) {
                                    found.push_back(at);
                                }
                                return true;
                            });
        }
        return found;
    }

    // How many records the damaged stretch [from, to) held, when its bytes tell: it is one block
    // that leads exactly to `to` and decodes once one broken length word is set right. Only the
    // count is taken from it: its records came through damage and are written as zeros. Where
    // each later length word may stand is found backwards from `to`, one pass over the stretch
    // per word, rather than by trying every value of the broken one.
    std::optional<std::uint64_t> recordsBetween(std::uint64_t from, std::uint64_t to) {
        if (to == fEnd || to - from < kBlockOverhead) {
            return std::nullopt;  // a cut-off end holds no block whose records could be counted
        }
        const std::uint64_t span = to - from;
        std::array<std::vector<std::uint64_t>, kSectionCount + 1> wordsAt;  // by section
        wordsAt[kSectionCount] = {to};
        for (std::size_t section = kSectionCount; section-- > 1;) {
            wordsAt[section] = wordsEndingAt(from, to, wordsAt[section + 1]);
        }
        // Tries section `broken` with the length that puts the next word at `next`.
        const auto repairedTo = [&](std::uint32_t first, std::size_t broken, std::uint64_t wordAt,
                                    std::uint64_t next) {
            const std::uint64_t value = next - wordAt - kLengthFieldSize;
            return next >= wordAt + kLengthFieldSize &&
                   value <= std::numeric_limits<std::uint32_t>::max() &&
                   repairs(from, span,
                           broken == 0 ? ChainAt(fFile, from, static_cast<std::uint32_t>(value))
                                       : ChainAt(fFile, from, first, broken,
                                                 static_cast<std::uint32_t>(value)),
                           broken);
        };
        // The record count itself broke: every later length stands where the records put it.
        for (const std::uint64_t next : wordsAt[1]) {
            if (repairedTo(0, 0, from, next)) {
                return (next - from - kLengthFieldSize) / codec::kFirstWordSize;
            }
        }
        const auto first = fFile.word(from);
        if (!first || *first % 2 != 0 || kBlockOverhead + *first > span) {
            return std::nullopt;
        }
        // The count holds; one of the three run and code lengths broke.
        std::uint64_t wordAt = from + kLengthFieldSize + *first;
        for (std::size_t broken = 1; broken < kSectionCount; ++broken) {
            for (const std::uint64_t next : wordsAt[broken + 1]) {
                if (repairedTo(*first, broken, wordAt, next)) {
                    return *first / codec::kFirstWordSize;
                }
            }
            const auto word = fFile.word(wordAt);
            if (!word || *word > to - wordAt) {
                break;
            }
            wordAt += kLengthFieldSize + *word;
        }
        return std::nullopt;
    }

    // Whether `lengths`, which differ from the stored ones in the word of section `repaired`, make
    // the block at `from` a plausible one of `span` bytes that decodes.
    bool repairs(std::uint64_t from, std::uint64_t span, const std::optional<Lengths>& lengths,
                 std::size_t repaired) {
        if (!lengths || lengths->stored != span || !lengths->plausible()) {
            return false;
        }
        const std::uint8_t* stored = fFile.bytes(from, span);
        fRepaired.assign(stored, stored + span);
        codec::writeU32(fRepaired.data() + (lengths->wordAt(from, repaired) - from),
                        lengths->section[repaired]);
        return RestoreBlockInto(fRepaired.data(), fRepaired.size(), fRepairedRecords) >= 0;
    }

    // Offsets whose first length word holds together, waiting for a look at their second.
    struct Candidate {
        std::uint64_t at = 0;
        std::uint32_t first = 0;
        bool secondHolds = false;
    };
    static constexpr std::size_t kCandidateBatch = std::size_t{1} << 20;

    ScannedFile fFile;
    std::vector<Candidate> fCandidates;
    std::vector<std::size_t> fOrder;
    std::uint64_t fEnd;
    FileStream& fOutput;
    const ProgressFn& fProgress;
    std::uint64_t fAt;
    std::uint64_t fBlock = 0;
    T1DimByteArr fRecords;
    std::optional<std::uint64_t> fDecodedAt;  // the block whose records fRecords holds
    T1DimByteArr fRepaired;
    T1DimByteArr fRepairedRecords;  // decoded only to see whether a repair holds
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
