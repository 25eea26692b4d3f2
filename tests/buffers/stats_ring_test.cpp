#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "buffers/cbuff.h"

namespace kvo {
namespace {

TEST(StatsRing, FreshBufferAndSmoothingFromZero) {
    TCDBuff buf(4);
    EXPECT_EQ(buf.Smooth(), 0.0);
    EXPECT_EQ(buf.completeness(), 0u);
    EXPECT_EQ(buf.alfa, 0.1);
    EXPECT_EQ(buf.Minv, std::numeric_limits<double>::max());
    EXPECT_EQ(buf.Maxv, std::numeric_limits<double>::lowest());
    buf.Add(5.0);
    EXPECT_EQ(buf.Smooth(), 0.5);
    EXPECT_EQ(buf.X(3), 5.0);

    TCDBuff half(4);
    half.alfa = 0.5;
    half.Add(4.0);
    EXPECT_EQ(half.Smooth(), 2.0);
    half.Add(2.0);
    EXPECT_EQ(half.Smooth(), 2.0);
}

TEST(StatsRing, MeanThenSpreadOfOneToFour) {
    const std::array<double, 4> values{1, 2, 3, 4};
    TCDBuff singly(4);
    for (double v : values)
        singly.Add(v);
    TCDBuff block(4);
    block.Add(values.data(), 4);
    for (TCDBuff* buf : {&singly, &block}) {
        const TMMM mmm = buf->MinMaxMean();
        EXPECT_EQ(mmm.Min, 1.0f);
        EXPECT_EQ(mmm.Max, 4.0f);
        EXPECT_EQ(mmm.Mean, 2.5);
        EXPECT_EQ(buf->Smooth(), 2.5);
        EXPECT_DOUBLE_EQ(buf->RMS(), std::sqrt(5.0 / 3.0));
        EXPECT_EQ(buf->IndOfMin, 0u);  // MinMaxMean leaves the positions alone
        EXPECT_EQ(buf->completeness(), 4u);
    }

    TCDBuff one(1);
    one.Add(7.0);
    EXPECT_EQ(one.RMS(), 0.0);  // a single value has no spread
}

TEST(StatsRing, ExtremesScanStorageOrderAfterAWrap) {
    TCDBuff wrapped(4);
    for (double v : {2.0, 3.0, 2.0, 5.0, 2.0})
        wrapped.Add(v);
    std::array<double, 4> row{};
    wrapped.GetRow(row.data());
    EXPECT_EQ(row, (std::array<double, 4>{3, 2, 5, 2}));
    const double smooth = wrapped.Smooth();
    EXPECT_EQ(wrapped.Min(), 2.0);
    EXPECT_EQ(wrapped.IndOfMin, 3u);  // the newer 2 sits at the lower storage position
    EXPECT_EQ(wrapped.Max(), 5.0);
    EXPECT_EQ(wrapped.IndOfMax, 2u);
    EXPECT_EQ(wrapped.Smooth(), smooth);

    TCDBuff exact(4);
    for (double v : {2.0, 3.0, 2.0, 5.0})
        exact.Add(v);
    EXPECT_EQ(exact.Min(), 2.0);
    EXPECT_EQ(exact.IndOfMin, 0u);

    exact.Fill(std::numeric_limits<double>::max());
    EXPECT_EQ(exact.Min(), std::numeric_limits<double>::max());
    EXPECT_EQ(exact.IndOfMin, 0u);  // nothing beat the start value: the old index stays
}

TEST(StatsRing, MinMaxMeanNarrowsToFloatAndComparesInEachWidth) {
    TCDBuff tenth(2);
    tenth.Add(0.1);
    tenth.Add(0.7);
    EXPECT_EQ(tenth.MinMaxMean().Min, 0.1f);
    EXPECT_NE(static_cast<double>(tenth.MinMaxMean().Min), 0.1);
    EXPECT_EQ(tenth.Min(), 0.1);

    const double tiny = std::ldexp(1.0, -30);
    TCDBuff a(4), b(4);
    for (double v : {1.0, 2.0, 3.0, 4.0})
        a.Add(v);
    for (double v : {1.0 + tiny, 2.0 - tiny, 3.0, 4.0})
        b.Add(v);
    EXPECT_TRUE(a.MinMaxMean() == b.MinMaxMean());
    EXPECT_FALSE((TMMM{1, 4, 2.5} == TMMM{1, 4, 2.5 + tiny}));
    EXPECT_FALSE((TMMM{1, 4, 2.5} == TMMM{1, 5, 2.5}));
}

TEST(StatsRing, UnwrittenSlotsCountAndFillKeepsSmoothing) {
    TCDBuff buf(4);
    buf.Fill(0);
    for (int i = 0; i < 3; ++i)
        buf.Add(1.0);
    const double smooth = buf.Smooth();
    const TMMM mmm = buf.MinMaxMean();
    EXPECT_EQ(mmm.Min, 0.0f);
    EXPECT_EQ(mmm.Max, 1.0f);
    EXPECT_EQ(mmm.Mean, 0.75);
    EXPECT_NE(smooth, 0.75);

    buf.Fill(9);
    EXPECT_EQ(buf.Smooth(), 0.75);
    EXPECT_EQ(buf.InnInd, 3u);
    EXPECT_EQ(buf.completeness(), 0u);
}

TEST(StatsRing, CounterRulesMatchTheByteRing) {
    TCDBuff buf(4);
    const std::array<double, 6> x{1, 2, 3, 4, 5, 6};
    buf.Add(x.data(), 3);
    buf.Add(x.data(), 3);
    EXPECT_EQ(buf.completeness(), 6u);  // a crossing block counts whole
    buf.Add(x.data(), -2);
    EXPECT_EQ(buf.completeness(), 6u);
    EXPECT_EQ(buf.InnInd, 2u);

    TCDBuff singly(2);
    for (double v : x)
        singly.Add(v);
    EXPECT_EQ(singly.completeness(), 2u);
    singly.setX(2 + 1, 42);
    EXPECT_EQ(singly.X(1), 42.0);

    EXPECT_THROW(TCDBuff(0), std::invalid_argument);
    EXPECT_THROW(TCDBuff(-1), std::invalid_argument);
}

}  // namespace
}  // namespace kvo
