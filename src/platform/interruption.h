#pragma once
// Ctrl-C and termination requests during a run: the run stops at the next block and unwinds, so
// the unfinished output is removed instead of being left behind. A second request ends the
// process at once.

#include <signal.h>

#include <array>

namespace kvo {

// Handles SIGINT, SIGTERM and SIGHUP for its lifetime (signals the caller ignores stay ignored).
class InterruptionGuard {
  public:
    InterruptionGuard();
    InterruptionGuard(const InterruptionGuard&) = delete;
    InterruptionGuard& operator=(const InterruptionGuard&) = delete;
    ~InterruptionGuard();

  private:
    std::array<struct sigaction, 3> fPrevious{};
};

bool Interrupted() noexcept;
// Once the user has asked to stop, throws the error that ends the current step ("прервано").
void ThrowIfInterrupted();
// What the signal handler does; tests call it directly.
void RequestInterruption() noexcept;
void ClearInterruption() noexcept;

}  // namespace kvo
