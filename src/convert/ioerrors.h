#pragma once
// File errors leave the conversion module as ConvertError, so callers handle a single type.

#include <utility>

#include "convert/converterror.h"
#include "platform/filestream.h"

namespace kvo {

template <typename Run>
auto WithIoErrors(Run&& run) {
    try {
        return std::forward<Run>(run)();
    } catch (const FileError& error) {
        throw ConvertError(error.what(), {error.errorCode(), error.path()});
    }
}

}  // namespace kvo
