#include "convert/converterror.h"

namespace kvo {

ConvertError::ConvertError(Kind kind, const std::string& message, std::uint64_t blockIndex)
    : std::runtime_error(message), fKind(kind), fBlockIndex(blockIndex) {}

}  // namespace kvo
