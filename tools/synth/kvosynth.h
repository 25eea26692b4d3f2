#pragma once
// Synthetic recordings: a valid passport and data records of a few characteristic kinds,
// deterministic per seed, generated as a stream so that huge files need no huge buffer.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/types4kvo.h"
#include "synth/prng.h"

namespace kvo::synth {

enum class Kind { TipTiming, Random, Constant, Zeros, Runs };

// "tiptiming", "random", "constant", "zeros", "runs".
std::optional<Kind> parseKind(std::string_view name);
std::string_view kindName(Kind kind);

// A valid passport with several channel entries and spare bytes behind the decoded fields.
T1DimByteArr makePassport(std::uint64_t seed);

class RecordGenerator {
  public:
    RecordGenerator(Kind kind, std::uint64_t seed);
    // Writes `records` records of 6 bytes; the stream is the same however it is chunked.
    void next(std::uint8_t* out, std::size_t records);

  private:
    void nextTipTiming(std::uint8_t* out, std::size_t records);
    void nextRandom(std::uint8_t* out, std::size_t records);
    void nextConstant(std::uint8_t* out, std::size_t records) const;
    void nextZeros(std::uint8_t* out, std::size_t records);
    void nextRuns(std::uint8_t* out, std::size_t records);
    void advanceTipSlot();

    Kind kind_;
    SplitMix64 rng_;
    // Tip timing: probe channels fire in a fixed order after each once-per-revolution pulse.
    static constexpr std::size_t kMaxProbes = 6;
    std::uint8_t revolutionChannel_ = 0;
    std::uint8_t probeChannels_[kMaxProbes] = {};
    std::uint32_t probeCount_ = 0;
    std::uint32_t slotsPerRevolution_ = 0;
    std::uint32_t slot_ = 0;
    std::uint8_t lastLead_ = 0;
    std::uint64_t time_ = 0;
    std::uint32_t interval_ = 0;
    std::uint16_t revolution_ = 0;
    // Runs (and the fixed record of Constant).
    std::uint8_t secondByte_ = 0;
    std::uint16_t secondWord_ = 0;
    std::uint64_t secondByteLeft_ = 0;
    std::uint64_t secondWordLeft_ = 0;
    std::uint8_t constantRecord_[kRecordSize] = {};
};

T1DimByteArr makeRecords(Kind kind, std::size_t records, std::uint64_t seed);
// makePassport(seed) followed by makeRecords(kind, records, seed).
T1DimByteArr makeRecording(Kind kind, std::size_t records, std::uint64_t seed);
// Streams the same bytes as makeRecording into `path`; the file appears only once it is complete.
// Failures throw std::runtime_error naming the path.
void writeRecording(const std::string& path, Kind kind, std::uint64_t records, std::uint64_t seed);

}  // namespace kvo::synth
