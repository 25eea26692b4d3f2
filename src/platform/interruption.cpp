#include "platform/interruption.h"

#include <csignal>
#include <cstddef>

namespace kvo {
namespace {

volatile std::sig_atomic_t gInterrupted = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnSignal(int) {
    gInterrupted = 1;
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
    return gInterrupted != 0;
}
void RequestInterruption() noexcept {
    gInterrupted = 1;
}
void ClearInterruption() noexcept {
    gInterrupted = 0;
}

}  // namespace kvo
