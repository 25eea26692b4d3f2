#pragma once
// The progress of a run told from the coding threads (inside a block) and from the writer (after
// each block): one call at a time, and never backwards.

#include <cstdint>
#include <mutex>

#include "codec/progress_steps.h"
#include "convert/convertfile.h"

namespace kvo {

class SharedProgress {
  public:
    explicit SharedProgress(const ProgressFn& progress) : fProgress(progress) {}

    void operator()(std::uint64_t sourcePosition) {
        if (!fProgress) {
            return;
        }
        const std::lock_guard lock(fMutex);
        if (sourcePosition > fLast) {
            fLast = sourcePosition;
            fProgress(sourcePosition);
        }
    }

    // The codec's share of a block read from [start, start + length) of the source, as a source
    // position; nothing when nobody listens.
    CodecProgress forBlock(std::uint64_t start, std::uint64_t length) {
        if (!fProgress) {
            return {};
        }
        return [this, start, length](double done) {
            (*this)(start + static_cast<std::uint64_t>(done * static_cast<double>(length)));
        };
    }

  private:
    const ProgressFn& fProgress;
    std::mutex fMutex;
    std::uint64_t fLast = 0;
};

}  // namespace kvo
