#include "buffers/ringindex.h"

#include <stdexcept>
#include <string>

namespace kvo::ring {

std::uint32_t checkedSize(std::int32_t Sz, const char* owner) {
    if (Sz < 1) {
        throw std::invalid_argument(std::string(owner) +
                                    ": ring buffer size must be at least 1, got " +
                                    std::to_string(Sz));
    }
    return static_cast<std::uint32_t>(Sz);
}

}  // namespace kvo::ring
