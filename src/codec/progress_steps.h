#pragma once
// Progress inside one block, for a caller who shows a single large block moving: the share of
// the block's work done, told in steps of at most 1%.

#include <cstddef>
#include <functional>

namespace kvo {

// Called with the share of the block's work done so far, 0 to 1.
using CodecProgress = std::function<void(double done)>;

namespace codec {

// One pass of the work, covering the shares from `from` to `to`; `total` steps make it up.
class ProgressSteps {
  public:
    ProgressSteps(const CodecProgress* progress, double from, double to, std::size_t total)
        : fProgress(progress),
          fFrom(from),
          fTo(to),
          fTotal(total == 0 ? 1 : total),
          fStep(fTotal / 128 + 1) {}

    void at(std::size_t done) {
        if (fProgress != nullptr && done >= fNext) {
            (*fProgress)(fFrom +
                         (fTo - fFrom) * static_cast<double>(done) / static_cast<double>(fTotal));
            fNext = done + fStep;
        }
    }
    // The end of the pass, told even when the last step was told a moment ago.
    void finish() {
        fNext = 0;
        at(fTotal);
    }

  private:
    const CodecProgress* fProgress;
    double fFrom;
    double fTo;
    std::size_t fTotal;
    std::size_t fStep;
    std::size_t fNext = 0;
};

}  // namespace codec
}  // namespace kvo
