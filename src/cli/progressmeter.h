#pragma once
// A one-line percentage on a terminal, rewritten in place; silent when not enabled.

#include <cstdint>
#include <ostream>
#include <string>

namespace kvo::cli {

class ProgressMeter {
  public:
    ProgressMeter(std::ostream& terminal, bool enabled, std::string label, std::uint64_t total);
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;
    // Clears the line so that messages after it start clean.
    ~ProgressMeter();

    void show(std::uint64_t done);

  private:
    std::ostream& fTerminal;
    bool fEnabled;
    std::string fLabel;
    std::uint64_t fTotal;
    int fShownPercent = -1;
};

}  // namespace kvo::cli
