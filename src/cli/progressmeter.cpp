#include "cli/progressmeter.h"

#include <utility>

namespace kvo::cli {

ProgressMeter::ProgressMeter(std::ostream& terminal, bool enabled, std::string label,
                             std::uint64_t total)
    : fTerminal(terminal), fEnabled(enabled), fLabel(std::move(label)), fTotal(total) {}

ProgressMeter::~ProgressMeter() {
    if (fEnabled && fShownPercent >= 0) {
        fTerminal << "\r\033[K" << std::flush;
    }
}

void ProgressMeter::show(std::uint64_t done) {
    if (!fEnabled || fTotal == 0) {
        return;
    }
    const int percent =
        static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(fTotal));
    if (percent != fShownPercent) {
        fShownPercent = percent;
        fTerminal << '\r' << fLabel << ": " << percent << '%' << std::flush;
    }
}

}  // namespace kvo::cli
