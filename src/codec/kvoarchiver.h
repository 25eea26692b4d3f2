#pragma once
// Block codec of the compact recording form: the LeadByte string dictionary and the two block
// routines. A compressed block is four length-prefixed sections (FirstWords, SecondByte run pairs,
// LeadByte code stream, SecondWord run pairs); nothing is shared between blocks.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "buffers/cbuff.h"
#include "codec/progress_steps.h"
#include "model/types4kvo.h"

namespace kvo {

// One dictionary row: a string of up to 12 LeadBytes, zero past its end (position 12 always 0).
using byte016 = std::array<std::uint8_t, 13>;
using pbyte016 = byte016*;

// Codes 0..127 are literal LeadBytes, 128..255 learned strings of 2 to 12 LeadBytes.
inline constexpr std::int32_t kFirstDictionaryCode = 128;
inline constexpr std::int32_t kDictionaryCodes = 128;
inline constexpr std::int32_t kWindowSize = 12;
// The emitting search leaves out this many newest codes so the decoder, which learns up to this
// many steps later, already knows every code it reads.
inline constexpr std::int32_t kDecoderLag = 12;

// The adaptive string dictionary of one block, with the plain linear-scan searches. The shipped
// block routines use an indexed equivalent; this class is the yardstick they are tested against.
class TLzwLex {
  public:
    TLzwLex();  // Create: empty dictionary, window contents undefined until 12 bytes are pushed
    TLzwLex(const TLzwLex&) = delete;
    TLzwLex& operator=(const TLzwLex&) = delete;

    std::array<byte016, kDictionaryCodes> fLex{};               // row of code x is fLex[x - 128]
    std::array<std::uint8_t, kDictionaryCodes> flexstrlngth{};  // 0 while undefined
    std::uint16_t freerow = kFirstDictionaryCode;
    TCByteBuff smalbuffer{kWindowSize};

    // 1 for a literal code, the string length of a dictionary code, 0 when undefined or not a code.
    std::uint8_t getlength(std::int32_t cd) const;
    std::uint8_t lexstrlngth(std::int32_t cd) const { return getlength(cd); }
    // A literal code stands for itself; otherwise byte ind of the row (0 outside the row).
    std::uint8_t Getsymbol(std::uint8_t cd, std::int32_t ind) const;
    std::uint8_t lexSymbol(std::uint8_t cd, std::int32_t ind) const { return Getsymbol(cd, ind); }

    // Longest defined string at the head of the window whose following window byte is not 0;
    // window byte 0 as a literal when none matches.
    std::int32_t LongestStringCode() const;
    // The same over every defined code except the kDecoderLag newest.
    std::int32_t LongestStringCode_cut() const;
    // Defines the next code as the string of cod plus the window byte behind it. Returns the new
    // row, or null when the dictionary is full, the string would exceed 12 bytes or cod is not a
    // code at all (outside 0..255); a refusal gives up the time slice once.
    pbyte016 Expand(std::int32_t cod);

  private:
    std::int32_t search(std::int32_t lastCode) const;
};

// Compresses the records in the first byteCount bytes of buffer (0: the whole buffer; a trailing
// partial record is ignored). On success the block stands at the start of buffer and its length
// is returned; the buffer grows when the block is longer than the records (up to 16 + 9n bytes;
// a buffer with that much capacity reserved grows without moving) and may stay longer than the
// block. Returns -1 and leaves buffer untouched for fewer than 12 records, a LeadByte of 128 or
// more, a byteCount outside 0..size, or a block that would not fit a 32-bit length.
std::int32_t CompressBlock(T1DimByteArr& buffer, std::int32_t byteCount);

// The longest compressed block of n records: runs and codes that change at every record.
constexpr std::size_t LargestCodedBlock(std::size_t n) {
    return 16 + 9 * n;
}

// Compresses n records into `block`, which then holds exactly the compressed block (its memory is
// reused). The same bytes as CompressBlock; -1 where CompressBlock refuses (`block` may then hold
// anything).
// `progress`, when given, hears of the work in steps of at most 1% of the block.
std::int32_t CompressRecords(const std::uint8_t* records, std::size_t n, T1DimByteArr& block,
                             const CodecProgress* progress = nullptr);

// Restores the records of the compressed block at the start of buffer: on success buffer holds
// exactly those records and their byte count is returned. Bytes behind the block are ignored.
// Returns -1 and leaves buffer untouched when the block is damaged or inconsistent.
std::int32_t RestoreBlock(T1DimByteArr& buffer);

// Restores the block at the start of data[0, available) into `records`, which then holds exactly
// the records (its memory is reused). Returns -1 when the block is damaged; `records` may then
// hold anything.
std::int32_t RestoreBlockInto(const std::uint8_t* data, std::size_t available,
                              T1DimByteArr& records, const CodecProgress* progress = nullptr);

// Restores the block at the start of `data` (`available` bytes) straight into `out`, which has
// room for `capacity` bytes, sparing a buffer per block. Returns the record bytes written, or -1
// when the block is damaged or inconsistent or its records do not fit; `out` may then hold part
// of them.
std::int64_t RestoreBlockTo(const std::uint8_t* data, std::size_t available, std::uint8_t* out,
                            std::size_t capacity);

// Receives restored records a batch at a time; false stops the restoring.
using BatchSink = std::function<bool(const std::uint8_t* records, std::size_t bytes)>;
// Records of a batch: about 1 MiB, a good size for one write.
inline constexpr std::size_t kBatchRecords = 21 * 8192;

// Restores the block at the start of data[0, available) a batch of records at a time into
// `batch` (its memory reused), handing each batch to `take` before the next, so the records of a
// large block never need to be held at once. Returns the record bytes restored, or -1 when the
// block is damaged or `take` stopped it; batches before the damage may have been handed on.
std::int64_t RestoreBlockInBatches(const std::uint8_t* data, std::size_t available,
                                   T1DimByteArr& batch, const BatchSink& take,
                                   const CodecProgress* progress = nullptr);

// How many run sections (0, 1 or 2) of the block at the start of data[0, available) add up to
// the record count its first section gives, whatever its code section: evidence that its lengths
// are its own even when the block does not restore. 0 for fewer than 12 records.
std::size_t RunSectionsAgreeingWithCount(const std::uint8_t* data, std::size_t available);

// Index of the first record whose LeadByte cannot be coded (128 or more), or -1.
std::int64_t FindUncodableLeadByte(const std::uint8_t* records, std::size_t count);

// Stored size of the block starting at data (16 + its four section lengths), or -1 when its
// length words or sections do not fit in the available bytes.
std::int64_t StoredBlockLength(const std::uint8_t* data, std::size_t available);

}  // namespace kvo
