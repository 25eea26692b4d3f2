#pragma once
// The one place where the Python module runs the file-level conversions, with kvox's defaults:
// the same block plans, the same refusals, the same output safety.

#include <cstdint>
#include <optional>
#include <string>

#include "convert/convertfile.h"

namespace kvo::python {

enum class Direction { Compress, Restore };

struct ConversionRequest {
    Direction direction = Direction::Compress;
    std::string source;
    std::string target;
    std::optional<std::uint64_t> blockSize;  // compression: kvox -b; none: the default plan
    bool replace = false;                    // kvox -f
    unsigned threads = 0;                    // 0: every core
    ProgressFn progress;                     // the source position after each block
};

// All refusals are ConvertError, worded for the user.
ConvertReport RunConversion(const ConversionRequest& request);

}  // namespace kvo::python
