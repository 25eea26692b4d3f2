#pragma once
// The one place where an error that escapes a command handler is caught: it ends the command and
// is shown in the application's error box, and the program goes on.

#include <functional>

namespace kvo {

class Desktop;

void runCommand(Desktop& desktop, const std::function<void()>& command);

}  // namespace kvo
