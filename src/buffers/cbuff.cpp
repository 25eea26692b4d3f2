#include "buffers/cbuff.h"

#include <stdexcept>
#include <string>

namespace kvo {

namespace {
std::uint32_t checkedSize(std::int32_t Sz, const char* what) {
    if (Sz < 1) {
        throw std::invalid_argument(std::string(what) + ": ring buffer size must be at least 1, got " +
                                    std::to_string(Sz));
    }
    return static_cast<std::uint32_t>(Sz);
}
}  // namespace

TCByteBuff::TCByteBuff(std::int32_t Sz)
    : Size(checkedSize(Sz, "TCByteBuff")),
      storage_(std::make_unique_for_overwrite<std::uint8_t[]>(Size)) {
    Base = storage_.get();
}

TCByteBuff::~TCByteBuff() { Base = nullptr; }

void TCByteBuff::Add(const std::uint8_t* x, std::int32_t N) {
    if (N <= 0) {
        return;
    }
    for (std::int32_t i = 0; i < N; ++i) {
        Base[InnInd] = x[i];
        InnInd = (InnInd + 1) % Size;
    }
    if (fcompleteness < Size) {
        fcompleteness += static_cast<std::uint32_t>(N);
    }
}

void TCByteBuff::GetRow(std::uint8_t* row) const {
    for (std::uint32_t i = 0; i < Size; ++i) {
        row[i] = GetX(i);
    }
}

void TCByteBuff::Fill(std::uint8_t x) {
    for (std::uint32_t i = 0; i < Size; ++i) {
        Base[i] = x;
    }
    fcompleteness = 0;
}

}  // namespace kvo
