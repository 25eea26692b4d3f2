#include "platform/systemerror.h"

namespace kvo {

// Both categories hold errno values here.
std::string SystemErrorText(const std::error_code& error) {
    return SystemErrorText(error.value());
}

}  // namespace kvo
