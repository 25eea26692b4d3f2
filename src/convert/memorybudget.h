#pragma once
// How many blocks a run keeps in flight: enough to keep the coding threads and the reading and
// writing busy, never more than the memory budget allows, whatever the thread count asks for.

#include <cstddef>
#include <cstdint>

namespace kvo {

// A quarter of the physical memory, at most 1 GiB.
std::uint64_t BlockMemoryBudget();

struct Flight {
    unsigned workers = 1;    // coding threads
    std::size_t blocks = 1;  // blocks held at a time: one being read, coded or written each
};

// Coding threads that leave a core to the writer, which checks every block it writes: more would
// only take turns with it and hold more blocks.
unsigned CodersBesideChecking(unsigned threads);

// Blocks held beside those being coded: one being written, and one being read ahead unless the
// coding threads read their blocks themselves.
enum class BlockReading { Ahead, ByCoders };

// At least one block is always held, however large: the run cannot do with less.
Flight PlanFlight(unsigned threads, std::uint64_t bytesPerBlock,
                  BlockReading reading = BlockReading::Ahead,
                  std::uint64_t budget = BlockMemoryBudget());

}  // namespace kvo
