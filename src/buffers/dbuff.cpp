#include "buffers/dbuff.h"

#include <algorithm>
#include <cmath>

namespace kvo {

// Intermediates are held in extended precision and rounded to binary64 whenever a field is stored.
using Extended = long double;

TArrofDbBuf ArrofDbBuf1;
TArrofDbBuf ArrofDbBuf2;

TCDBuff::TCDBuff(std::int32_t Sz)
    : Size(ring::checkedSize(Sz, "TCDBuff")),
      storage_(std::make_unique_for_overwrite<double[]>(Size)) {
    Base = storage_.get();
}

TCDBuff::~TCDBuff() {
    Base = nullptr;
}

// Exponential smoothing from the current mean (0 on a fresh buffer, not the first value).
void TCDBuff::store(double x) {
    Base[InnInd] = x;
    Meanv = static_cast<double>((1.0L - alfa) * Meanv + static_cast<Extended>(alfa) * x);
    InnInd = (InnInd + 1) % Size;
}

void TCDBuff::Add(const double* x, std::int32_t N) {
    for (std::int32_t i = 0; i < N; ++i) {
        store(x[i]);
    }
    ring::countAdded(fcompleteness, Size, N);
}

void TCDBuff::Add(double x) {
    store(x);
    ring::countAdded(fcompleteness, Size, 1);
}

void TCDBuff::GetRow(double* row) const {
    ring::copyLogicalRow(Base, InnInd, Size, row);
}

void TCDBuff::Fill(double x) {
    std::fill_n(Base, Size, x);
    fcompleteness = 0;
}

// Storage order with strict comparison: among equal extremes the lowest storage position wins,
// which after a wrap can be a newer value than an equal one further up.
double TCDBuff::Min() {
    Minv = std::numeric_limits<double>::max();
    for (std::uint32_t i = 0; i < Size; ++i) {
        if (Base[i] < Minv) {
            Minv = Base[i];
            IndOfMin = ring::logicalIndex(i, InnInd, Size);
        }
    }
    return Minv;
}

double TCDBuff::Max() {
    Maxv = std::numeric_limits<double>::lowest();
    for (std::uint32_t i = 0; i < Size; ++i) {
        if (Base[i] > Maxv) {
            Maxv = Base[i];
            IndOfMax = ring::logicalIndex(i, InnInd, Size);
        }
    }
    return Maxv;
}

TMMM TCDBuff::MinMaxMean() {
    Maxv = std::numeric_limits<double>::lowest();
    Minv = std::numeric_limits<double>::max();
    Meanv = 0;
    for (std::uint32_t i = 0; i < Size; ++i) {
        if (Base[i] > Maxv) {
            Maxv = Base[i];
        }
        if (Base[i] < Minv) {
            Minv = Base[i];
        }
    }
    // Summing deviations from the midpoint of the range keeps the sum small.
    const auto midpoint = static_cast<double>((static_cast<Extended>(Maxv) + Minv) / 2);
    for (std::uint32_t i = 0; i < Size; ++i) {
        Meanv = static_cast<double>((static_cast<Extended>(Base[i]) - midpoint) + Meanv);
    }
    Meanv = static_cast<double>(static_cast<Extended>(Meanv) / Size + midpoint);
    return TMMM{static_cast<float>(Minv), static_cast<float>(Maxv), Meanv};
}

double TCDBuff::RMS() {
    RMSv = 0;
    if (Size < 2) {
        return RMSv;
    }
    for (std::uint32_t i = 0; i < Size; ++i) {
        const Extended deviation = static_cast<Extended>(Base[i]) - Meanv;
        RMSv = static_cast<double>(deviation * deviation + RMSv);
    }
    RMSv = static_cast<double>(std::sqrt(static_cast<Extended>(RMSv) / (Size - 1)));
    return RMSv;
}

}  // namespace kvo
