#include "model/beep.h"

#include <utility>

namespace kvo {

namespace {
std::function<void()>& beepHook() {
    static std::function<void()> hook;
    return hook;
}
}  // namespace

void setBeepHook(std::function<void()> hook) {
    beepHook() = std::move(hook);
}

void beep() noexcept {
    try {
        if (const auto& hook = beepHook()) {
            hook();
        }
    } catch (...) {
        // A failed beep changes nothing worth reporting.
    }
}

}  // namespace kvo
