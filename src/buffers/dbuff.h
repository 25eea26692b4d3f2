#pragma once
// TCDBuff: a ring buffer of binary64 values with a running smoothed mean and, on request, minimum,
// maximum, arithmetic mean and RMS deviation over all of its slots.

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "buffers/ringindex.h"
#include "model/types4kvo.h"

namespace kvo {

struct TMMM {
    float Min = 0;
    float Max = 0;
    double Mean = 0;

    friend bool operator==(const TMMM& a, const TMMM& b) = default;
};

class TCDBuff {
  public:
    // Create. Sizes below 1 are refused with std::invalid_argument.
    explicit TCDBuff(std::int32_t Sz);
    ~TCDBuff();  // Destroy
    TCDBuff(const TCDBuff&) = delete;
    TCDBuff& operator=(const TCDBuff&) = delete;

    std::uint32_t fcompleteness = 0;
    TPbigDblArr Base = nullptr;
    std::uint32_t InnInd = 0;
    std::uint32_t Size = 0;
    std::uint32_t IndOfMin = 0;
    std::uint32_t IndOfMax = 0;
    double Minv = std::numeric_limits<double>::max();
    double Maxv = std::numeric_limits<double>::lowest();
    double Meanv = 0;
    double RMSv = 0;
    double alfa = 0.1;

    // The statistics are computed afresh on every reading, in storage order, and update the
    // fields above. A NaN slot never wins a comparison, so it is never reported as an extreme.
    double Min();
    double Max();
    // Spread about the current Meanv with divisor Size - 1; a one-slot buffer has no spread and
    // gives 0.
    double RMS();
    // Replaces the smoothed mean by the arithmetic mean of all slots; Min and Max are narrowed to
    // float (values beyond float range become infinities).
    TMMM MinMaxMean();

    std::uint32_t completeness() const { return fcompleteness; }
    void setCompleteness(std::uint32_t value) { fcompleteness = value; }
    double Smooth() const { return Meanv; }
    double X(std::uint32_t ind) const { return GetX(ind); }
    void setX(std::uint32_t ind, double x) { SetX(ind, x); }

    // Appends x[0..N-1], smoothing after each; N <= 0 stores nothing and leaves the counter.
    void Add(const double* x, std::int32_t N);
    void Add(double x);
    void GetRow(double* row) const;
    void Fill(double x);

  private:
    double GetX(std::uint32_t ind) const { return Base[ring::storagePosition(ind, InnInd, Size)]; }
    void SetX(std::uint32_t ind, double x) { Base[ring::storagePosition(ind, InnInd, Size)] = x; }
    void store(double x);

    std::unique_ptr<double[]> storage_;
};

// Non-owning lists of statistics buffers.
using TArrofDbBuf = std::vector<TCDBuff*>;
extern TArrofDbBuf ArrofDbBuf1;
extern TArrofDbBuf ArrofDbBuf2;

}  // namespace kvo
