#pragma once
// The one place where an error that escapes a command handler is caught: it ends the command and
// is shown in the application's error box, and the program goes on.

#include <functional>
#include <string>

namespace kvo {

// `showError` gets the error's text, UTF-8, with the control characters of names made visible.
using ErrorBox = std::function<void(const std::string&)>;

void runCommand(const ErrorBox& showError, const std::function<void()>& command);

}  // namespace kvo
