#include "codec/block_encoder.h"

#include <cstring>
#include <limits>

#include "codec/block_format.h"
#include "codec/lead_coder.h"

namespace kvo {

using namespace codec;  // the block layout and field helpers

namespace {

constexpr std::uint64_t kMaxResult = std::numeric_limits<std::int32_t>::max();
// The share of the work done as the records are added; the LeadByte coding makes the rest.
constexpr double kAddingShare = 0.4;

// Where each section's length field starts once the payload sizes are known.
struct BlockLayout {
    BlockLayout(std::size_t records, std::size_t secondBytes, std::size_t codes,
                std::size_t secondWords)
        : firstWordBytes(records * kFirstWordSize),
          secondByteBytes(secondBytes),
          codeBytes(codes),
          secondWordBytes(secondWords),
          secondByteAt(kLengthFieldSize + firstWordBytes),
          codeAt(secondByteAt + kLengthFieldSize + secondByteBytes),
          secondWordAt(codeAt + kLengthFieldSize + codeBytes),
          total(secondWordAt + kLengthFieldSize + secondWordBytes) {}

    std::size_t firstWordBytes, secondByteBytes, codeBytes, secondWordBytes;
    std::size_t secondByteAt, codeAt, secondWordAt, total;
};

void writeSection(std::uint8_t* at, const std::uint8_t* payload, std::size_t length) {
    writeU32(at, static_cast<std::uint32_t>(length));
    std::memcpy(at + kLengthFieldSize, payload, length);
}

}  // namespace

void BlockEncoder::start(std::size_t n, T1DimByteArr& block, bool recordsInBlock,
                         const CodecProgress* progress) {
    n_ = n;
    progress_ = progress;
    adding_.emplace(progress, 0.0, kAddingShare, n);
    added_ = 0;
    overrun_ = false;
    block_ = &block;
    recordsInBlock_ = recordsInBlock;
    if (n == 0) {
        return;
    }
    // Grown only for a block with more records than any before: no fresh memory per block.
    if (leadBytes_.size() < n) {
        leadBytes_.resize(n);
    }
    const std::size_t firstWordsEnd = kLengthFieldSize + n * kFirstWordSize;
    if (!recordsInBlock && block.size() < firstWordsEnd) {
        block.resize(firstWordsEnd);
    }
    splitter_.start(n, leadBytes_.data(), split_);
}

void BlockEncoder::add(const std::uint8_t* records, std::size_t count) {
    // More records than announced would pass the end of the LeadBytes and of the FirstWords.
    if (count > n_ - added_) {
        overrun_ = true;
        return;
    }
    splitter_.add(records, count);
    if (!recordsInBlock_) {
        packFirstWords(records, count, block_->data() + kLengthFieldSize + added_ * kFirstWordSize);
    }
    added_ += count;
    adding_->at(added_);
}

std::int32_t BlockEncoder::finish() {
    if (n_ < kMinRecords || added_ != n_ || overrun_) {
        return -1;
    }
    // Nothing is written over records in the block until it is known to code and to fit.
    splitter_.finish();
    if (!split_.codable) {
        return -1;
    }
    ProgressSteps coding(progress_, kAddingShare, 1.0, n_);
    const std::size_t codeBytes = encodeLeadBytes(leadBytes_.data(), n_, &coding);
    const BlockLayout layout(n_, split_.secondBytes.size(), codeBytes, split_.secondWords.size());
    if (layout.total > kMaxResult) {
        return -1;
    }
    T1DimByteArr& block = *block_;
    if (layout.total > block.size()) {
        block.reserve(layout.total);  // exactly: resize alone may double the capacity
        block.resize(layout.total);
    }
    std::uint8_t* out = block.data();
    if (recordsInBlock_) {
        packFirstWords(out, n_, out + kLengthFieldSize);  // from wherever growing moved them
    }
    writeU32(out, static_cast<std::uint32_t>(layout.firstWordBytes));
    writeSection(out + layout.secondByteAt, split_.secondBytes.data(), layout.secondByteBytes);
    writeSection(out + layout.codeAt, leadBytes_.data(), codeBytes);
    writeSection(out + layout.secondWordAt, split_.secondWords.data(), layout.secondWordBytes);
    coding.finish();
    return static_cast<std::int32_t>(layout.total);
}

}  // namespace kvo
