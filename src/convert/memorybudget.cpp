#include "convert/memorybudget.h"

#include <algorithm>
#include <thread>

#include "platform/physicalmemory.h"

namespace kvo {

std::uint64_t BlockMemoryBudget() {
    constexpr std::uint64_t kMost = std::uint64_t{1} << 30;
    const std::uint64_t physical = PhysicalMemoryBytes();
    return physical == 0 ? kMost : std::min(kMost, physical / 4);
}

unsigned CodersBesideChecking(unsigned threads) {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(threads, 1u, cores > 1 ? cores - 1 : 1u);
}

Flight PlanFlight(unsigned threads, std::uint64_t bytesPerBlock, BlockReading reading,
                  std::uint64_t budget) {
    const std::uint64_t wanted =
        std::uint64_t{std::max(threads, 1u)} + (reading == BlockReading::Ahead ? 2 : 1);
    const std::uint64_t affordable =
        std::max<std::uint64_t>(1, bytesPerBlock == 0 ? wanted : budget / bytesPerBlock);
    Flight flight;
    flight.blocks = static_cast<std::size_t>(std::min(wanted, affordable));
    flight.workers =
        static_cast<unsigned>(std::clamp<std::uint64_t>(flight.blocks, 1, std::max(threads, 1u)));
    return flight;
}

}  // namespace kvo
