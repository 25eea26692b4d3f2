#include "platform/errortext.h"

namespace kvo {

std::string errorBoxText(std::string message) {
    // Bytes of multi-byte UTF-8 characters are all above '.', as are the characters themselves.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
        message += '.';
    }
    return message;
}

}  // namespace kvo
