#include "platform/interruption.h"

#include <atomic>
#include <csignal>
#include <cstddef>
#include <stdexcept>

namespace kvo {
namespace {

// Written by the signal handler on whichever thread the signal lands, read by every thread of a
// run: an atomic, and lock-free, because only that is safe inside a signal handler.
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnSignal(int) {
    gInterrupted.store(true);
}

}  // namespace

InterruptionGuard::InterruptionGuard() {
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    action.sa_flags = SA_RESETHAND;  // a second request takes the default way out
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < fPrevious.size(); ++i) {
        sigaction(kSignals[i], nullptr, &fPrevious[i]);
        if (fPrevious[i].sa_handler != SIG_IGN) {
            sigaction(kSignals[i], &action, nullptr);
        }
    }
}

InterruptionGuard::~InterruptionGuard() {
    for (std::size_t i = 0; i < fPrevious.size(); ++i) {
        sigaction(kSignals[i], &fPrevious[i], nullptr);
    }
}

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
