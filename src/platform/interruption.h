#pragma once
// Ctrl-C and termination requests during a run: the run stops at the next block and unwinds, so
// the unfinished output is removed instead of being left behind. A second request ends the
// process at once.

#include <memory>

namespace kvo {

// Handles the system's stop requests for its lifetime: SIGINT, SIGTERM and SIGHUP on POSIX
// (signals the caller ignores stay ignored); Ctrl+C, Ctrl+Break and closing the console on
// Windows.
class InterruptionGuard {
  public:
    InterruptionGuard();
    InterruptionGuard(const InterruptionGuard&) = delete;
    InterruptionGuard& operator=(const InterruptionGuard&) = delete;
    ~InterruptionGuard();

  private:
    struct TPrevious;  // what the guard replaced, in the system's own terms
    std::unique_ptr<TPrevious> fPrevious;
};

bool Interrupted() noexcept;
// Once the user has asked to stop, throws the error that ends the current step ("прервано").
void ThrowIfInterrupted();
// What the handler of a stop request does; tests call it directly.
void RequestInterruption() noexcept;
void ClearInterruption() noexcept;

}  // namespace kvo
