#include "platform/sha256.h"

namespace kvo {

std::string HexDigits(const unsigned char* digest, std::size_t length) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * length);
    for (std::size_t i = 0; i < length; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 0x0F];
    }
    return hex;
}

}  // namespace kvo
