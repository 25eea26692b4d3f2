#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "platform/fspath.h"
#include "synth/kvosynth.h"

namespace kvo::synth {

T1DimByteArr makeRecording(Kind kind, std::size_t records, std::uint64_t seed) {
    T1DimByteArr recording = makePassport(seed);
    const T1DimByteArr data = makeRecords(kind, records, seed);
    recording.insert(recording.end(), data.begin(), data.end());
    return recording;
}

namespace {

constexpr std::size_t kChunkRecords = 1 << 16;

void streamRecording(std::ofstream& out, Kind kind, std::uint64_t records, std::uint64_t seed) {
    const T1DimByteArr passport = makePassport(seed);
    out.write(reinterpret_cast<const char*>(passport.data()),
              static_cast<std::streamsize>(passport.size()));
    RecordGenerator generator(kind, seed);
    T1DimByteArr chunk(kChunkRecords * kRecordSize);
    for (std::uint64_t left = records; left > 0 && out;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, kChunkRecords));
        generator.next(chunk.data(), n);
        out.write(reinterpret_cast<const char*>(chunk.data()),
                  static_cast<std::streamsize>(n * kRecordSize));
        left -= n;
    }
}

}  // namespace

void writeRecording(const std::string& path, Kind kind, std::uint64_t records, std::uint64_t seed) {
    // Written beside the target and renamed at the end, so a failed run leaves no partial file.
    const std::filesystem::path target = FsPath(path);
    std::filesystem::path partial = target;
    partial += ".partial";
    std::error_code error;
    try {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (out) {
            streamRecording(out, kind, records, seed);
            out.close();
        }
        if (!out) {
            throw std::runtime_error("cannot write " + path);
        }
        std::filesystem::rename(partial, target, error);
        if (error) {
            throw std::runtime_error("cannot write " + path + ": " + error.message());
        }
    } catch (...) {
        std::filesystem::remove(partial, error);
        throw;
    }
}

}  // namespace kvo::synth
