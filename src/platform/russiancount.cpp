#include "platform/russiancount.h"

namespace kvo {

std::string_view RussianPlural(std::uint64_t n, const RussianForms& forms) {
    const std::uint64_t lastTwo = n % 100;
    const std::uint64_t last = n % 10;
    if (lastTwo >= 11 && lastTwo <= 14) {
        return forms.many;
    }
    if (last == 1) {
        return forms.one;
    }
    return last >= 2 && last <= 4 ? forms.few : forms.many;
}

std::string CountOf(std::uint64_t n, const RussianForms& forms) {
    return std::to_string(n) + " " + std::string(RussianPlural(n, forms));
}

}  // namespace kvo
