#pragma once
// What every described system error text must be: a known reason, in Russian, with its number.

#include <gtest/gtest.h>

#include <string>

namespace kvo {

inline void ExpectRussianReason(const std::string& text, long long number) {
    EXPECT_EQ(text.find("неизвестная"), std::string::npos) << number;
    EXPECT_NE(text.find("(ошибка " + std::to_string(number) + ")"), std::string::npos) << text;
    for (const char c : text) {
        EXPECT_FALSE((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) << text;
    }
}

}  // namespace kvo
