#pragma once
// Counts in Russian texts: the noun agrees with the number ("1 байт", "3 байта", "5 байт").

#include <cstdint>
#include <string>
#include <string_view>

namespace kvo {

// The three forms of a noun after a number: one (1, 21, 101), few (2-4, 22-24), many (0, 5-20,
// 11-14, 25-30).
struct RussianForms {
    std::string_view one;
    std::string_view few;
    std::string_view many;
};

inline constexpr RussianForms kByteForms{"байт", "байта", "байт"};
inline constexpr RussianForms kBlockForms{"блок", "блока", "блоков"};
inline constexpr RussianForms kRecordForms{"запись", "записи", "записей"};

// The form of `forms` that agrees with n.
std::string_view RussianPlural(std::uint64_t n, const RussianForms& forms);

// n in decimal, a blank, and the agreeing form: CountOf(3, kByteForms) is "3 байта".
std::string CountOf(std::uint64_t n, const RussianForms& forms);

}  // namespace kvo
