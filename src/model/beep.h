#pragma once
// The system's default beep, routed through a hook so the desktop program can sound a real one and
// plain libraries and tests stay silent.

#include <functional>

namespace kvo {

// An empty function restores the silent default.
void setBeepHook(std::function<void()> hook);

// Sounds the beep through the current hook; a hook that throws is ignored, because a beep is only
// ever a warning.
void beep() noexcept;

}  // namespace kvo
