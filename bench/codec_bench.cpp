// Speed and size of the block codec (shipped and reference) beside general-purpose compressors,
// on the same synthetic records in one run. MB/s counts uncompressed record bytes (10^6 bytes).
//
//   kvo-codec-bench [records] [reference-records] [kinds...]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "alloc_meter.h"
#include "codec/kvoarchiver.h"
#include "codec/reference_codec.h"
#include "generic_codecs.h"
#include "synth/kvosynth.h"

namespace kvo::bench {
namespace {

using Blocks = std::vector<T1DimByteArr>;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kSmallBlockRecords = 1000;
constexpr double kTimeBudgetSeconds = 0.6;
constexpr int kMaxRepeats = 15;

struct Figures {
    double ratio = 0;
    double compressMBs = 0;
    double restoreMBs = 0;
};

Blocks splitIntoBlocks(const T1DimByteArr& records, std::size_t blockRecords) {
    const std::size_t blockBytes = blockRecords * kRecordSize;
    Blocks blocks;
    for (std::size_t at = 0; at + blockBytes <= records.size(); at += blockBytes) {
        blocks.emplace_back(records.begin() + static_cast<std::ptrdiff_t>(at),
                            records.begin() + static_cast<std::ptrdiff_t>(at + blockBytes));
    }
    return blocks;
}

std::size_t totalBytes(const Blocks& blocks) {
    std::size_t total = 0;
    for (const auto& b : blocks)
        total += b.size();
    return total;
}

// Best time of repeated runs; `prepare` runs untimed before each.
double bestSeconds(const std::function<void()>& prepare, const std::function<void()>& run) {
    double best = 1e30;
    double spent = 0;
    for (int i = 0; i < kMaxRepeats && (i == 0 || spent < kTimeBudgetSeconds); ++i) {
        prepare();
        const auto start = Clock::now();
        run();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        best = std::min(best, seconds);
        spent += seconds;
    }
    return best;
}

double megabytesPerSecond(std::size_t bytes, double seconds) {
    return bytes / seconds / 1e6;
}

using CompressFn = std::int32_t (*)(T1DimByteArr&, std::int32_t);
using RestoreFn = std::int32_t (*)(T1DimByteArr&);

// Runs the block codec over the blocks; `packed` receives the compressed blocks.
Figures measureBlockCodec(const Blocks& blocks, CompressFn compress, RestoreFn restore,
                          Blocks& packed) {
    const std::size_t bytes = totalBytes(blocks);
    Blocks work;
    const double compressSeconds = bestSeconds([&] { work = blocks; },
                                               [&] {
                                                   for (auto& b : work) {
                                                       const std::int32_t n = compress(b, 0);
                                                       if (n < 0)
                                                           throw std::runtime_error("compress");
                                                       b.resize(static_cast<std::size_t>(n));
                                                   }
                                               });
    packed = work;
    const double restoreSeconds = bestSeconds([&] { work = packed; },
                                              [&] {
                                                  for (auto& b : work) {
                                                      if (restore(b) < 0)
                                                          throw std::runtime_error("restore");
                                                  }
                                              });
    if (work != blocks)
        throw std::runtime_error("block codec round trip differs");
    return {static_cast<double>(totalBytes(packed)) / bytes,
            megabytesPerSecond(bytes, compressSeconds), megabytesPerSecond(bytes, restoreSeconds)};
}

Figures measureGeneric(const Blocks& blocks, const GenericCodec& codec) {
    const std::size_t bytes = totalBytes(blocks);
    Blocks packed(blocks.size());
    const double compressSeconds =
        bestSeconds([] {},
                    [&] {
                        for (std::size_t i = 0; i < blocks.size(); ++i) {
                            codec.compress(blocks[i].data(), blocks[i].size(), packed[i]);
                        }
                    });
    Blocks restored = blocks;
    const double restoreSeconds =
        bestSeconds([] {},
                    [&] {
                        for (std::size_t i = 0; i < blocks.size(); ++i) {
                            codec.restore(packed[i], restored[i].data(), restored[i].size());
                        }
                    });
    if (restored != blocks)
        throw std::runtime_error(codec.name() + " round trip differs");
    return {static_cast<double>(totalBytes(packed)) / bytes,
            megabytesPerSecond(bytes, compressSeconds), megabytesPerSecond(bytes, restoreSeconds)};
}

// Peak heap of one whole-block call, the caller's buffer included, per record byte.
struct MemoryFigures {
    double compress = 0;
    double restore = 0;
};

MemoryFigures measureMemory(const T1DimByteArr& records) {
    T1DimByteArr buffer = records;
    const std::size_t before = heapInUse();
    resetHeapPeak();
    const std::int32_t length = CompressBlock(buffer, 0);
    const double compress =
        static_cast<double>(heapPeak() - before + records.size()) / records.size();
    buffer.resize(static_cast<std::size_t>(length));
    buffer.shrink_to_fit();
    const std::size_t beforeRestore = heapInUse();
    resetHeapPeak();
    RestoreBlock(buffer);
    const double restore =
        static_cast<double>(heapPeak() - beforeRestore + static_cast<std::size_t>(length)) /
        records.size();
    return {compress, restore};
}

Figures printRow(const std::string& data, const std::string& blocks, const std::string& codec,
                 std::size_t sample, const Figures& f) {
    std::printf("| %-9s | %-12s | %-16s | %9zu | %7.4f | %9.1f | %9.1f |\n", data.c_str(),
                blocks.c_str(), codec.c_str(), sample, f.ratio, f.compressMBs, f.restoreMBs);
    std::fflush(stdout);
    return f;
}

// The block codec's speed as multiples of zstd -1 and of the reference codec.
std::string speedSummary(const std::string& data, const std::string& blocks, const Figures& fast,
                         const Figures& reference, const Figures& zstd1) {
    char line[240];
    std::snprintf(line, sizeof line,
                  "%-9s %-12s compress %.2fx zstd -1, restore %.2fx zstd -1, compress %.0fx the "
                  "reference",
                  data.c_str(), blocks.c_str(), fast.compressMBs / zstd1.compressMBs,
                  fast.restoreMBs / zstd1.restoreMBs, fast.compressMBs / reference.compressMBs);
    return line;
}

int run(int argc, char** argv) {
    const std::size_t records = argc > 1 ? std::stoull(argv[1]) : 1000000;
    const std::size_t referenceRecords =
        std::min<std::size_t>(records, argc > 2 ? std::stoull(argv[2]) : 30000);
    std::vector<synth::Kind> kinds;
    for (int i = 3; i < argc; ++i) {
        const auto kind = synth::parseKind(argv[i]);
        if (!kind)
            throw std::runtime_error(std::string("unknown kind ") + argv[i]);
        kinds.push_back(*kind);
    }
    if (kinds.empty())
        kinds = {synth::Kind::TipTiming, synth::Kind::Random, synth::Kind::Constant};
    const auto generic = makeGenericCodecs();

    std::printf(
        "Records per data set: %zu (%zu bytes). The reference codec runs on the first %zu "
        "records only (column 'records').\n\n",
        records, records * kRecordSize, referenceRecords);
    std::printf(
        "| data      | blocks       | codec            |   records |   ratio | comp MB/s | rest "
        "MB/s |\n");
    std::printf(
        "|-----------|--------------|------------------|-----------|---------|-----------|---------"
        "--|\n");
    std::vector<std::string> speedLines;
    std::vector<std::string> memoryLines;
    for (const synth::Kind kind : kinds) {
        const std::string data(synth::kindName(kind));
        const T1DimByteArr all = synth::makeRecords(kind, records, 1);
        const T1DimByteArr sample(
            all.begin(), all.begin() + static_cast<std::ptrdiff_t>(referenceRecords * kRecordSize));
        for (const std::size_t blockRecords : {records, kSmallBlockRecords}) {
            const std::string mode = blockRecords == records ? "whole area" : "1000 records";
            const Blocks blocks = splitIntoBlocks(all, blockRecords);
            Blocks packed;
            const Figures fast =
                printRow(data, mode, "kvo fast", records,
                         measureBlockCodec(blocks, &CompressBlock, &RestoreBlock, packed));

            const Blocks sampleBlocks =
                splitIntoBlocks(sample, std::min(blockRecords, referenceRecords));
            Blocks fastSample;
            Blocks referenceSample;
            measureBlockCodec(sampleBlocks, &CompressBlock, &RestoreBlock, fastSample);
            const Figures reference =
                printRow(data, mode, "kvo reference", referenceRecords,
                         measureBlockCodec(sampleBlocks, &reference::CompressBlock,
                                           &reference::RestoreBlock, referenceSample));
            if (fastSample != referenceSample)
                throw std::runtime_error("fast and reference blocks differ");

            Figures zstd1;
            for (const auto& codec : generic) {
                const Figures f =
                    printRow(data, mode, codec->name(), records, measureGeneric(blocks, *codec));
                if (codec->name() == "zstd -1")
                    zstd1 = f;
            }
            speedLines.push_back(speedSummary(data, mode, fast, reference, zstd1));
        }
        const MemoryFigures memory = measureMemory(all);
        char line[200];
        std::snprintf(
            line, sizeof line,
            "%-9s whole-area block: compress peak %.2fx, restore peak %.2fx of the record bytes",
            data.c_str(), memory.compress, memory.restore);
        memoryLines.emplace_back(line);
    }
    std::printf("\nSpeed of the block codec (same input, same run):\n");
    for (const auto& line : speedLines)
        std::printf("  %s\n", line.c_str());
    std::printf("\nPeak heap of one call, the caller's buffer included:\n");
    for (const auto& line : memoryLines)
        std::printf("  %s\n", line.c_str());
    return 0;
}

}  // namespace
}  // namespace kvo::bench

int main(int argc, char** argv) {
    try {
        return kvo::bench::run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kvo-codec-bench: %s\n", e.what());
        return 1;
    }
}
