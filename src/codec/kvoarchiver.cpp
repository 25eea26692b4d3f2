#include "codec/kvoarchiver.h"

#include <thread>

namespace kvo {

namespace {
constexpr std::int32_t kLastCode = kFirstDictionaryCode + kDictionaryCodes - 1;
constexpr std::int32_t kLongestSearchedString = kWindowSize - 1;
constexpr std::int32_t kShortestString = 2;
}  // namespace

TLzwLex::TLzwLex() = default;

std::uint8_t TLzwLex::getlength(std::int32_t cd) const {
    if (cd < kFirstDictionaryCode) {
        return 1;
    }
    if (cd > kLastCode) {
        return 0;
    }
    return flexstrlngth[static_cast<std::size_t>(cd - kFirstDictionaryCode)];
}

std::uint8_t TLzwLex::Getsymbol(std::uint8_t cd, std::int32_t ind) const {
    if (cd < kFirstDictionaryCode) {
        return cd;
    }
    const byte016& row = fLex[static_cast<std::size_t>(cd - kFirstDictionaryCode)];
    if (ind < 0 || static_cast<std::size_t>(ind) >= row.size()) {
        return 0;
    }
    return row[static_cast<std::size_t>(ind)];
}

std::int32_t TLzwLex::search(std::int32_t lastCode) const {
    for (std::int32_t length = kLongestSearchedString; length >= kShortestString; --length) {
        for (std::int32_t code = kFirstDictionaryCode; code <= lastCode; ++code) {
            const auto slot = static_cast<std::size_t>(code - kFirstDictionaryCode);
            if (flexstrlngth[slot] != length) {
                continue;
            }
            // Walk on past the string into the row's zero tail: a match ends on an unequal pair
            // exactly at the string's end, i.e. the window byte behind the string is not 0.
            const byte016& row = fLex[slot];
            std::uint32_t p = 0;
            bool matched = false;
            while (true) {
                if (smalbuffer.X(p) != row[p]) {
                    matched = p == static_cast<std::uint32_t>(length);
                    break;
                }
                if (p > static_cast<std::uint32_t>(length)) {
                    break;
                }
                ++p;
            }
            if (matched) {
                return code;
            }
        }
    }
    return smalbuffer.X(0);
}

std::int32_t TLzwLex::LongestStringCode() const {
    return search(freerow - 1);
}

std::int32_t TLzwLex::LongestStringCode_cut() const {
    return search(freerow - 1 - kDecoderLag);
}

pbyte016 TLzwLex::Expand(std::int32_t cod) {
    const std::uint8_t m = getlength(cod);
    if (freerow > kLastCode || m >= kWindowSize || cod < 0 || cod > kLastCode) {
        std::this_thread::yield();
        return nullptr;
    }
    byte016& row = fLex[static_cast<std::size_t>(freerow - kFirstDictionaryCode)];
    if (cod < kFirstDictionaryCode) {
        row[0] = static_cast<std::uint8_t>(cod);
    } else {
        const byte016& source = fLex[static_cast<std::size_t>(cod - kFirstDictionaryCode)];
        for (std::uint8_t p = 0; p < m; ++p) {
            row[p] = source[p];
        }
    }
    row[m] = smalbuffer.X(m);
    flexstrlngth[static_cast<std::size_t>(freerow - kFirstDictionaryCode)] =
        static_cast<std::uint8_t>(m + 1);
    ++freerow;
    return &row;
}

}  // namespace kvo
