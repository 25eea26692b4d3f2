#pragma once
// Wording of the application's error box.

#include <string>

namespace kvo {

// The message with a full stop appended, unless it already ends in a character that sorts at or
// before the full stop (".", ",", ")", blanks ...), or is empty.
std::string errorBoxText(std::string message);

}  // namespace kvo
