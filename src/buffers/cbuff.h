#pragma once
// Fixed-capacity ring buffers addressed by logical index: index Size - 1 is the newest element.
// The statistics ring buffer lives in dbuff.h and comes with this header.

#include <cstdint>
#include <memory>

#include "buffers/dbuff.h"
#include "buffers/ringindex.h"
#include "model/types4kvo.h"

namespace kvo {

class TCByteBuff {
  public:
    // Create. Sizes below 1 are refused with std::invalid_argument (every index is taken mod Size).
    explicit TCByteBuff(std::int32_t Sz);
    ~TCByteBuff();  // Destroy
    TCByteBuff(const TCByteBuff&) = delete;
    TCByteBuff& operator=(const TCByteBuff&) = delete;

    std::uint32_t fcompleteness = 0;
    TPbigByteArr Base = nullptr;
    std::uint32_t InnInd = 0;
    std::uint32_t Size = 0;

    std::uint32_t completeness() const { return fcompleteness; }
    void setCompleteness(std::uint32_t value) { fcompleteness = value; }

    // Appends x[0..N-1]; N <= 0 stores nothing and leaves the counter alone.
    void Add(const std::uint8_t* x, std::int32_t N);
    std::uint8_t X(std::uint32_t ind) const { return GetX(ind); }
    void setX(std::uint32_t ind, std::uint8_t x) { SetX(ind, x); }
    void GetRow(std::uint8_t* row) const;
    void Fill(std::uint8_t x);

  private:
    std::uint8_t GetX(std::uint32_t ind) const {
        return Base[ring::storagePosition(ind, InnInd, Size)];
    }
    void SetX(std::uint32_t ind, std::uint8_t x) {
        Base[ring::storagePosition(ind, InnInd, Size)] = x;
    }

    std::unique_ptr<std::uint8_t[]> storage_;
};

}  // namespace kvo
