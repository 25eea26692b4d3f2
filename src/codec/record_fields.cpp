#include "codec/record_fields.h"

#include <algorithm>

#include "codec/kvoarchiver.h"
#include "codec/run_length.h"

namespace kvo::codec {

namespace {

// Records split between two checks of the pair arrays' room.
constexpr std::size_t kChunkRecords = 4096;

// A record read as a little-endian 64-bit word: these bits hold its SecondByte and SecondWord.
constexpr std::uint64_t kRunFieldBits = 0x0000FFFF0000FF00ull;

std::uint64_t runKey(std::uint8_t secondByte, std::uint16_t secondWord) {
    return (std::uint64_t{secondByte} << 8) | (std::uint64_t{secondWord} << 32);
}

// Makes room for `incoming` more bytes behind `used`. After the first chunk the final size is
// guessed from the rate so far (with a margin, never past one pair per record), sparing large
// blocks a series of doublings.
void reserveRoom(std::vector<std::uint8_t>& pairs, std::size_t used, std::size_t incoming,
                 std::size_t recordsDone, std::size_t n, std::size_t pairSize) {
    if (pairs.size() >= used + incoming) {
        return;
    }
    const double rate = recordsDone == 0 ? 0.0 : static_cast<double>(used) / recordsDone;
    const auto projected =
        std::min(static_cast<std::size_t>(rate * 1.25 * static_cast<double>(n)), n * pairSize);
    pairs.resize(std::max({used + incoming, 2 * pairs.size(), projected}));
}

}  // namespace

void RecordSplitter::start(std::size_t n, std::uint8_t* leadBytes, RecordSplit& split) {
    n_ = n;
    done_ = 0;
    leadBytes_ = leadBytes;
    split_ = &split;
    leadBits_ = 0;
}

void RecordSplitter::add(const std::uint8_t* records, std::size_t count) {
    using Bytes = FieldTraits<std::uint8_t>;
    using Words = FieldTraits<std::uint16_t>;
    if (count == 0) {
        return;
    }
    if (done_ == 0) {
        secondBytes_ = RunCursor<std::uint8_t>(Bytes::read(records + Bytes::kOffset));
        secondWords_ = RunCursor<std::uint16_t>(Words::read(records + Words::kOffset));
        leadBits_ = leadBytes_[0] = records[kLeadByteOffset];
    }
    // Indexes count from the block's first record; `records` holds record `base` on.
    const std::size_t base = done_;
    const std::size_t last = base + count - 1;
    // Worked on in locals: stores through the byte pointers could otherwise change the members,
    // which would then be read again from memory for every record.
    std::uint8_t leadBits = leadBits_;
    std::uint8_t* const leadBytes = leadBytes_;
    RunCursor<std::uint8_t> secondBytes = secondBytes_;
    RunCursor<std::uint16_t> secondWords = secondWords_;
    for (std::size_t chunk = base; chunk <= last; chunk += kChunkRecords) {
        const std::size_t end = std::min(last + 1, chunk + kChunkRecords);
        // At most one new pair per record of the chunk.
        reserveRoom(split_->secondBytes, secondBytes.pairs() * Bytes::kPairSize,
                    (end - chunk) * Bytes::kPairSize, chunk, n_, Bytes::kPairSize);
        reserveRoom(split_->secondWords, secondWords.pairs() * Words::kPairSize,
                    (end - chunk) * Words::kPairSize, chunk, n_, Words::kPairSize);
        std::uint8_t* bytePairs = split_->secondBytes.data();
        std::uint8_t* wordPairs = split_->secondWords.data();
        std::size_t i = std::max<std::size_t>(chunk, 1);
        while (i < end) {
            // Records that leave both runs open only need their LeadByte: one word compare each.
            // The last record given is not read as a word, which would pass the end of them.
            const std::size_t stop =
                std::min({end, last, secondBytes.limitAt(), secondWords.limitAt()});
            const std::uint64_t key = runKey(secondBytes.value(), secondWords.value());
            std::uint64_t leadWords = 0;
            for (; i < stop; ++i) {
                const auto record = loadLE<std::uint64_t>(records + (i - base) * kRecordSize);
                if ((record & kRunFieldBits) != key) {
                    break;
                }
                leadBytes[i] = static_cast<std::uint8_t>(record);
                leadWords |= record;
            }
            leadBits |= static_cast<std::uint8_t>(leadWords);
            if (i < end) {
                const std::uint8_t* record = records + (i - base) * kRecordSize;
                leadBytes[i] = record[kLeadByteOffset];
                leadBits |= record[kLeadByteOffset];
                secondBytes.advance(i, Bytes::read(record + Bytes::kOffset), bytePairs);
                secondWords.advance(i, Words::read(record + Words::kOffset), wordPairs);
                ++i;
            }
        }
    }
    leadBits_ = leadBits;
    secondBytes_ = secondBytes;
    secondWords_ = secondWords;
    done_ += count;
}

void RecordSplitter::finish() {
    using Bytes = FieldTraits<std::uint8_t>;
    using Words = FieldTraits<std::uint16_t>;
    secondBytes_.finish(n_, split_->secondBytes.data());
    secondWords_.finish(n_, split_->secondWords.data());
    split_->secondBytes.resize(secondBytes_.pairs() * Bytes::kPairSize);
    split_->secondWords.resize(secondWords_.pairs() * Words::kPairSize);
    split_->codable = leadBits_ < kFirstDictionaryCode;
}

void packFirstWords(const std::uint8_t* records, std::size_t n, std::uint8_t* out) {
    constexpr std::size_t kGroup = 4;  // four records are 24 bytes, three words
    std::size_t i = 0;
    for (; i + kGroup <= n; i += kGroup) {
        const std::uint8_t* group = records + i * kRecordSize;
        const auto w0 = loadLE<std::uint64_t>(group);
        const auto w1 = loadLE<std::uint64_t>(group + 8);
        const auto w2 = loadLE<std::uint64_t>(group + 16);
        // FirstWords sit at bytes 2, 8, 14 and 20 of the group.
        const std::uint64_t words = ((w0 >> 16) & 0xFFFF) | ((w1 & 0xFFFF) << 16) |
                                    ((w1 >> 48) << 32) | (((w2 >> 32) & 0xFFFF) << 48);
        storeLE(out + i * kFirstWordSize, words);
    }
    for (; i < n; ++i) {
        writeU16(out + i * kFirstWordSize, readU16(records + i * kRecordSize + kFirstWordOffset));
    }
}

}  // namespace kvo::codec
