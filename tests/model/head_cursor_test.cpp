#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/beep.h"
#include "model/fileformat.h"
#include "model/head.h"

namespace kvo {
namespace {

std::vector<std::uint8_t> bufferBytes(const THeadel& h, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(h.fHead);
    return {p, p + n};
}

TEST(HeadCursor, DefaultPassportDecodesFieldByField) {
    THeadel h = THeadel::CreateDefault();
    EXPECT_EQ(h.fSize, 24u);
    EXPECT_EQ(h.Cur, 0u);
    EXPECT_EQ(bufferBytes(h, 24),
              std::vector<std::uint8_t>(kDefaultPassport.begin(), kDefaultPassport.end()));

    std::string signature;
    for (int i = 0; i < 6; ++i) {
        char c = 0;
        EXPECT_EQ(h.PeekChar(c), i + 1);
        signature += c;
    }
    EXPECT_EQ(signature, "RecKvo");
    std::uint32_t length = 0;
    std::uint16_t board = 0, channels = 0, rate = 1;
    double start = 0;
    EXPECT_EQ(h.PeekLongWord(length), 10);
    EXPECT_EQ(h.PeekWord(board), 12);
    EXPECT_EQ(h.PeekWord(channels), 14);
    EXPECT_EQ(h.PeekDouble(start), 22);
    EXPECT_EQ(h.PeekWord(rate), 24);
    EXPECT_EQ(length, 24u);
    EXPECT_EQ(board, 666);
    EXPECT_EQ(channels, 0);
    EXPECT_EQ(start, 100.0);
    EXPECT_EQ(rate, 0);
    EXPECT_EQ(h.CurPointer, static_cast<std::uint8_t*>(h.fHead) + 24);
    EXPECT_TRUE(h.CanDestroy());
}

TEST(HeadCursor, PokedPassportWithChannelsReadsBack) {
    THeadel h(64);
    for (char c : std::string("AbCdEf"))
        h.PokeChar(c);
    h.PokeLongWord(0x01020304);
    h.PokeWord(7);
    h.PokeWord(0x0102);  // only the low byte counts channel entries
    h.PokeWord(513);
    h.PokeByte(0x2B);
    h.PokeString("\xCA\xE0\xED");  // Windows-1251 bytes are carried as they are
    EXPECT_EQ(h.PokeWord(8), 14 + 6 + 3);
    h.PokeSingle(1.5f);
    EXPECT_EQ(h.CurPointer, static_cast<std::uint8_t*>(h.fHead) + h.Cur);

    const auto raw = bufferBytes(h, 27);
    EXPECT_EQ(raw[6], 0x04);
    EXPECT_EQ(raw[9], 0x01);
    EXPECT_EQ(raw[17], 3);
    float single = 0;
    std::memcpy(&single, &raw[23], 4);
    EXPECT_EQ(single, 1.5f);

    h.Cur = kChannelCountOffset;
    std::uint16_t count = 0, number = 0, type = 0;
    std::uint8_t gain = 0;
    std::string mark;
    h.PeekWord(count);
    EXPECT_EQ(channelEntryCount(count), 2u);
    h.PeekWord(number);
    h.PeekByte(gain);
    h.PeekString(mark);
    EXPECT_EQ(h.PeekWord(type), 23);
    EXPECT_EQ(number, 513);
    EXPECT_EQ(gainCodeLow(gain), 3u);
    EXPECT_EQ(gainCodeHigh(gain), 5u);
    EXPECT_EQ(mark, "\xCA\xE0\xED");
    EXPECT_EQ(type, 8);
}

TEST(HeadCursor, StringsOfNoneAndOfMostBytes) {
    THeadel h(300);
    EXPECT_EQ(h.PokeString(""), 1);
    EXPECT_EQ(bufferBytes(h, 1)[0], 0);
    const std::string longest(255, 'z');
    EXPECT_EQ(h.PokeString(longest), 1 + 256);
    EXPECT_EQ(bufferBytes(h, 2)[1], 0xFF);

    h.Cur = 0;
    std::string value = "stale";
    EXPECT_EQ(h.PeekString(value), 1);
    EXPECT_EQ(value, "");
    EXPECT_EQ(h.PeekString(value), 257);
    EXPECT_EQ(value, longest);
}

TEST(HeadCursor, PokesPutBackTheBusyFlagExceptPokeLongWord) {
    THeadel h(64);
    const auto startBusy = [&h] { h.fKill = false; };
    startBusy();
    h.PokeByte(1);
    h.PokeChar('a');
    h.PokeWord(2);
    h.PokeSingle(3.0f);
    h.PokeDouble(4.0);
    EXPECT_FALSE(h.CanDestroy());

    h.PokeLongWord(5);
    EXPECT_TRUE(h.CanDestroy());
    startBusy();
    h.PokeString("ab");
    EXPECT_TRUE(h.CanDestroy());

    h.Cur = 0;
    std::uint32_t word = 0;
    startBusy();
    h.PeekLongWord(word);
    EXPECT_TRUE(h.CanDestroy());
}

TEST(HeadCursor, RefusedOperationsLeaveCursorBufferAndFlag) {
    THeadel h(0);  // 100 bytes of buffer
    h.PokeByte(0xAA);
    const auto before = bufferBytes(h, 100);

    const std::string tooLong(256, 'x');
    EXPECT_THROW(h.PokeString(tooLong), HeadRangeError);
    EXPECT_EQ(h.Cur, 1u);

    h.Cur = 98;
    h.CurPointer = static_cast<std::uint8_t*>(h.fHead) + 98;
    std::uint32_t word = 5;
    try {
        h.PeekLongWord(word);
        ADD_FAILURE() << "read past the buffer was accepted";
    } catch (const HeadRangeError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("offset 98"), std::string::npos) << message;
        EXPECT_NE(message.find("4 bytes"), std::string::npos) << message;
    }
    EXPECT_EQ(word, 5u);
    EXPECT_THROW(h.PokeDouble(1.0), HeadRangeError);
    EXPECT_THROW(h.PokeString("abc"), HeadRangeError);  // would fit its length byte, not its text
    EXPECT_EQ(h.Cur, 98u);
    EXPECT_EQ(h.CurPointer, static_cast<std::uint8_t*>(h.fHead) + 98);
    EXPECT_TRUE(h.CanDestroy());
    EXPECT_EQ(bufferBytes(h, 100), before);

    EXPECT_EQ(h.PokeWord(0x0203), 100);  // exactly up to the end is fine
    std::uint8_t b = 0;
    EXPECT_THROW(h.PeekByte(b), HeadRangeError);

    h.Cur = 99;  // a length byte of 2 with nothing behind it
    std::string s = "kept";
    EXPECT_THROW(h.PeekString(s), HeadRangeError);
    EXPECT_EQ(s, "kept");
    EXPECT_EQ(h.Cur, 99u);
    EXPECT_TRUE(h.CanDestroy());
}

TEST(HeadCursor, SizesTooLargeForABufferAreRefused) {
    EXPECT_THROW(THeadel{0x7FFFFFFFu - 99u}, std::length_error);
    try {
        THeadel{std::numeric_limits<std::uint32_t>::max()};
        FAIL() << "a 4 GiB passport buffer was allocated";
    } catch (const std::length_error& error) {
        // Shown to the user as it stands.
        EXPECT_EQ(std::string(error.what()),
                  "буфер паспорта слишком велик: нужно 4294967395, допустимо не больше "
                  "2147483647 байт");
    }
}

TEST(HeadCursor, SetHeadTakesOnlyUsableBuffers) {
    THeadel h = THeadel::CreateDefault();
    h.Cur = 10;
    h.SetHead(nullptr);
    EXPECT_EQ(h.Cur, 10u);
    EXPECT_EQ(h.fSize, 24u);

    void* const own = h.fHead;
    h.SetHead(own);
    EXPECT_EQ(h.fHead, own);
    EXPECT_EQ(h.Cur, 0u);
    EXPECT_EQ(bufferBytes(h, 24)[0], 'R');

    auto replacement = THeadel::AllocateBuffer(24);
    static_cast<std::uint8_t*>(replacement.get())[0] = 'Q';
    h.PokeWord(1);
    h.SetHead(replacement.release());
    EXPECT_EQ(h.Cur, 0u);
    EXPECT_EQ(h.CurPointer, h.fHead);
    char c = 0;
    h.PeekChar(c);
    EXPECT_EQ(c, 'Q');
    EXPECT_THROW(h.PokeString(std::string(23, 'a')), HeadRangeError);  // 24 bytes, no spare

    auto tooSmall = THeadel::AllocateBuffer(23);
    void* const current = h.fHead;
    EXPECT_THROW(h.SetHead(tooSmall.release()), std::invalid_argument);
    EXPECT_EQ(h.fHead, current);
    EXPECT_TRUE(h.CanDestroy());
}

TEST(HeadCursor, ReleaseAfterAFailedOperationBeepsBoundedly) {
    int beeps = 0;
    setBeepHook([&beeps] { ++beeps; });
    {
        THeadel h(8);
        h.fKill = false;  // as an operation that died midway leaves it
    }
    { THeadel idle(8); }
    setBeepHook({});
    EXPECT_GT(beeps, 0);
    EXPECT_LE(beeps, 10);
}

}  // namespace
}  // namespace kvo
