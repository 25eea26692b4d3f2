#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <stdexcept>

#include "buffers/cbuff.h"

namespace kvo {
namespace {

TEST(ByteRing, FullWindowThenOneMoreKeepsNewestLast) {
    TCByteBuff buf(12);
    std::array<std::uint8_t, 13> b{};
    std::iota(b.begin(), b.end(), std::uint8_t{100});
    buf.Add(b.data(), 12);
    for (std::uint32_t i = 0; i < 12; ++i)
        EXPECT_EQ(buf.X(i), b[i]);
    EXPECT_EQ(buf.InnInd, 0u);
    EXPECT_EQ(buf.completeness(), 12u);
    buf.Add(&b[12], 1);
    for (std::uint32_t i = 0; i < 12; ++i)
        EXPECT_EQ(buf.X(i), b[i + 1]);
    EXPECT_EQ(buf.InnInd, 1u);
    EXPECT_EQ(buf.completeness(), 12u);
}

TEST(ByteRing, CounterCountsCrossingBlockWholeThenFreezes) {
    TCByteBuff buf(12);
    std::array<std::uint8_t, 30> x{};
    std::iota(x.begin(), x.end(), std::uint8_t{0});
    buf.Add(x.data(), 5);
    buf.Add(x.data(), 10);
    EXPECT_EQ(buf.completeness(), 15u);
    buf.Add(x.data(), 1);
    EXPECT_EQ(buf.completeness(), 15u);

    TCByteBuff big(12);
    big.Add(x.data(), 30);
    for (std::uint32_t i = 0; i < 12; ++i)
        EXPECT_EQ(big.X(i), x[18 + i]);
    EXPECT_EQ(big.InnInd, 6u);
    EXPECT_EQ(big.completeness(), 30u);
}

TEST(ByteRing, IndexWrapsAndFillResetsCounterOnly) {
    TCByteBuff buf(4);
    const std::array<std::uint8_t, 2> pq{7, 9};
    buf.Add(pq.data(), 2);
    EXPECT_EQ(buf.X(2), 7);
    EXPECT_EQ(buf.X(3), 9);
    EXPECT_EQ(buf.X(4 + 3), 9);
    buf.setX(4 + 1, 5);
    EXPECT_EQ(buf.X(1), 5);
    buf.Add(pq.data(), 0);
    EXPECT_EQ(buf.completeness(), 2u);

    buf.Fill(7);
    EXPECT_EQ(buf.completeness(), 0u);
    EXPECT_EQ(buf.InnInd, 2u);
    std::array<std::uint8_t, 4> row{};
    buf.GetRow(row.data());
    for (auto v : row)
        EXPECT_EQ(v, 7);
    buf.Add(&pq[1], 1);
    EXPECT_EQ(buf.Base[2], 9);
    EXPECT_EQ(buf.completeness(), 1u);
}

TEST(ByteRing, RefusesSizesBelowOne) {
    EXPECT_THROW(TCByteBuff(0), std::invalid_argument);
    EXPECT_THROW(TCByteBuff(-3), std::invalid_argument);
}

}  // namespace
}  // namespace kvo
