#include "platform/interruption.h"

#include <atomic>
#include <stdexcept>

namespace kvo {
namespace {

// Written by the stop handler on whichever thread the request lands, read by every thread of a
// run: an atomic, and lock-free, because only that is safe inside a signal handler.
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

}  // namespace

bool Interrupted() noexcept {
    return gInterrupted.load();
}
void ThrowIfInterrupted() {
    if (Interrupted()) {
        throw std::runtime_error("прервано");
    }
}
void RequestInterruption() noexcept {
    gInterrupted.store(true);
}
void ClearInterruption() noexcept {
    gInterrupted.store(false);
}

}  // namespace kvo
