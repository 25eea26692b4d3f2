#include <signal.h>

#include <array>
#include <cstddef>

#include "platform/interruption.h"

namespace kvo {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnSignal(int) {
    RequestInterruption();
}

}  // namespace

struct InterruptionGuard::TPrevious {
    std::array<struct sigaction, std::size(kSignals)> actions{};
};

InterruptionGuard::InterruptionGuard() : fPrevious(std::make_unique<TPrevious>()) {
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    action.sa_flags = SA_RESETHAND;  // a second request takes the default way out
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < fPrevious->actions.size(); ++i) {
        sigaction(kSignals[i], nullptr, &fPrevious->actions[i]);
        if (fPrevious->actions[i].sa_handler != SIG_IGN) {
            sigaction(kSignals[i], &action, nullptr);
        }
    }
}

InterruptionGuard::~InterruptionGuard() {
    for (std::size_t i = 0; i < fPrevious->actions.size(); ++i) {
        sigaction(kSignals[i], &fPrevious->actions[i], nullptr);
    }
}

}  // namespace kvo
