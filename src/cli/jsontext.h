#pragma once
// Text in JSON output.

#include <string>

namespace kvo::cli {

// `text` as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

}  // namespace kvo::cli
