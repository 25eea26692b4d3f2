#include "platform/largebuffer.h"

namespace kvo {

// Large pages on Windows need a privilege a user rarely holds and memory committed at once, so a
// block buffer gains nothing from asking: a plain reservation.
void ReserveLarge(std::vector<std::uint8_t>& buffer, std::size_t bytes) {
    buffer.reserve(bytes);
}

}  // namespace kvo
