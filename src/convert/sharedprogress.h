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

    // The work on a block read from [start, start + length) of the source, as a source position:
    // `done` (0 to 1) of the work that makes up the shares from `from` to `to` of the block.
    // Nothing when nobody listens.
    CodecProgress forBlock(std::uint64_t start, std::uint64_t length, double from = 0.0,
                           double to = 1.0) {
        if (!fProgress) {
            return {};
        }
        return [this, start, length, from, to](double done) {
            const double share = from + (to - from) * done;
            const auto advanced = static_cast<std::uint64_t>(share * static_cast<double>(length));
            // A step too small to pass a byte of a short block is no work done yet.
            if (advanced != 0) {
                (*this)(start + advanced);
            }
        };
    }

  private:
    const ProgressFn& fProgress;
    std::mutex fMutex;
    std::uint64_t fLast = 0;
};

}  // namespace kvo
