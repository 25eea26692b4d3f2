#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "codec/kvoarchiver.h"

namespace kvo {
namespace {

std::vector<std::uint8_t> rowOf(const TLzwLex& lex, std::int32_t code) {
    std::vector<std::uint8_t> s;
    for (std::int32_t j = 0; j < lex.getlength(code); ++j)
        s.push_back(lex.Getsymbol(code, j));
    return s;
}

void learningStep(TLzwLex& lex) {
    lex.Expand(lex.LongestStringCode());
}

TEST(Dictionary, RepeatingTripletLearnsOneByteLongerEveryThreeSteps) {
    TLzwLex lex;
    const std::array<std::uint8_t, 3> motif{1, 2, 3};
    std::array<std::uint8_t, 12> window{};
    for (std::size_t i = 0; i < window.size(); ++i)
        window[i] = motif[i % 3];
    lex.smalbuffer.Add(window.data(), 12);
    for (std::size_t step = 0; step < 7; ++step) {
        learningStep(lex);
        const std::uint8_t next = motif[(12 + step) % 3];
        lex.smalbuffer.Add(&next, 1);
    }
    using Row = std::vector<std::uint8_t>;
    EXPECT_EQ(rowOf(lex, 128), (Row{1, 2}));
    EXPECT_EQ(rowOf(lex, 129), (Row{2, 3}));
    EXPECT_EQ(rowOf(lex, 130), (Row{3, 1}));
    EXPECT_EQ(rowOf(lex, 131), (Row{1, 2, 3}));
    EXPECT_EQ(rowOf(lex, 132), (Row{2, 3, 1}));
    EXPECT_EQ(rowOf(lex, 133), (Row{3, 1, 2}));
    EXPECT_EQ(rowOf(lex, 134), (Row{1, 2, 3, 1}));
    EXPECT_EQ(lex.freerow, 135);
    EXPECT_EQ(lex.getlength(135), 0);
    // Rows stay zero past their strings, including the unused 13th byte.
    EXPECT_EQ(lex.fLex[134 - 128][4], 0);
    EXPECT_EQ(lex.fLex[134 - 128][12], 0);
}

TEST(Dictionary, FreshDictionaryAndCutSearchFallBackToFirstWindowByte) {
    TLzwLex lex;
    std::array<std::uint8_t, 12> window{9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    lex.smalbuffer.Add(window.data(), 12);
    EXPECT_EQ(lex.LongestStringCode(), 9);
    EXPECT_EQ(lex.LongestStringCode_cut(), 9);
    // Twelve definitions later the cut search still sees nothing, the full search does.
    for (int i = 0; i < 12; ++i)
        learningStep(lex);
    EXPECT_EQ(lex.freerow, 140);
    EXPECT_EQ(lex.LongestStringCode_cut(), 9);
    EXPECT_GE(lex.LongestStringCode(), 128);
    learningStep(lex);
    EXPECT_EQ(lex.LongestStringCode_cut(), 128);  // 9 9, the oldest, now old enough
}

TEST(Dictionary, ZeroBehindStringHidesItAndZeroWindowFillsWithCopies) {
    TLzwLex lex;
    std::array<std::uint8_t, 12> zeros{};
    lex.smalbuffer.Add(zeros.data(), 12);
    for (int i = 0; i < 128; ++i) {
        EXPECT_EQ(lex.LongestStringCode(), 0);
        ASSERT_NE(lex.Expand(lex.LongestStringCode()), nullptr);
    }
    for (std::int32_t code = 128; code < 256; ++code) {
        EXPECT_EQ(rowOf(lex, code), (std::vector<std::uint8_t>{0, 0}));
    }
    const auto before = lex.fLex;
    EXPECT_EQ(lex.Expand(0), nullptr);  // full: refused, nothing changes
    EXPECT_EQ(lex.fLex, before);
    EXPECT_EQ(lex.freerow, 256);

    // 5 6 is known, but a 0 right behind it hides it.
    TLzwLex hidden;
    std::array<std::uint8_t, 12> w{5, 6, 0, 5, 6, 7, 0, 0, 0, 0, 0, 0};
    hidden.smalbuffer.Add(w.data(), 12);
    learningStep(hidden);  // 128 = 5 6
    for (int i = 0; i < 3; ++i) {
        const std::uint8_t z = 0;
        hidden.smalbuffer.Add(&z, 1);
    }
    EXPECT_EQ(hidden.smalbuffer.X(0), 5);
    EXPECT_EQ(hidden.LongestStringCode(), 128);  // 5 6 7: matched
    std::array<std::uint8_t, 12> w2{5, 6, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    hidden.smalbuffer.Add(w2.data(), 12);
    EXPECT_EQ(hidden.LongestStringCode(), 5);  // 5 6 0: not matched
}

TEST(Dictionary, ConstantStreamGrowsToTwelveThenRepeatsTheTwelveByteString) {
    TLzwLex lex;
    std::array<std::uint8_t, 12> window;
    window.fill(7);
    lex.smalbuffer.Add(window.data(), 12);
    while (lex.freerow < 256)
        learningStep(lex);
    for (std::int32_t code = 128; code < 256; ++code) {
        const std::size_t expected = code - 128 + 2 < 12 ? code - 128 + 2 : 12;
        EXPECT_EQ(rowOf(lex, code), std::vector<std::uint8_t>(expected, 7)) << code;
    }
    // A string of length 12 is never found; the 11-byte one (code 137) is the longest match.
    EXPECT_EQ(lex.LongestStringCode(), 137);
}

TEST(Dictionary, LowestOfEquallyLongMatchesAndOutOfRangeCodes) {
    TLzwLex lex;
    std::array<std::uint8_t, 12> w{4, 5, 6, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    lex.smalbuffer.Add(w.data(), 12);
    learningStep(lex);  // 128 = 4 5
    learningStep(lex);  // 129 = 4 5 6
    lex.Expand(4);      // 130 = 4 5, a copy
    lex.Expand(4);      // 131 = 4 5
    std::array<std::uint8_t, 12> w2{4, 5, 9, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    lex.smalbuffer.Add(w2.data(), 12);
    EXPECT_EQ(lex.LongestStringCode(), 128);

    EXPECT_EQ(lex.getlength(-5), 1);
    EXPECT_EQ(lex.getlength(200), 0);
    EXPECT_EQ(lex.getlength(256), 0);
    EXPECT_EQ(lex.lexstrlngth(129), 3);
    EXPECT_EQ(lex.Getsymbol(77, 999), 77);
    EXPECT_EQ(lex.lexSymbol(129, 2), 6);
    EXPECT_EQ(lex.Getsymbol(129, 40), 0);
    const auto freeBefore = lex.freerow;
    EXPECT_EQ(lex.Expand(256), nullptr);
    EXPECT_EQ(lex.Expand(-1), nullptr);
    EXPECT_EQ(lex.freerow, freeBefore);
}

}  // namespace
}  // namespace kvo
