#include "buffers/cbuff.h"

#include <algorithm>

namespace kvo {

TCByteBuff::TCByteBuff(std::int32_t Sz)
    : Size(ring::checkedSize(Sz, "TCByteBuff")),
      storage_(std::make_unique_for_overwrite<std::uint8_t[]>(Size)) {
    Base = storage_.get();
}

TCByteBuff::~TCByteBuff() {
    Base = nullptr;
}

void TCByteBuff::Add(const std::uint8_t* x, std::int32_t N) {
    for (std::int32_t i = 0; i < N; ++i) {
        Base[InnInd] = x[i];
        InnInd = (InnInd + 1) % Size;
    }
    ring::countAdded(fcompleteness, Size, N);
}

void TCByteBuff::GetRow(std::uint8_t* row) const {
    ring::copyLogicalRow(Base, InnInd, Size, row);
}

void TCByteBuff::Fill(std::uint8_t x) {
    std::fill_n(Base, Size, x);
    fcompleteness = 0;
}

}  // namespace kvo
