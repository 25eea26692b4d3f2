#include "platform/datevalue.h"

#include <chrono>
#include <cmath>

namespace kvo {
namespace {

constexpr double kFirstDay = -693593.0;      // 0001-01-01
constexpr double kEndOfLastDay = 2958466.0;  // 10000-01-01
constexpr long long kMillisecondsPerDay = 86'400'000;

}  // namespace

std::optional<CivilDateTime> decodeDateTime(double value) {
    if (!std::isfinite(value) || value < kFirstDay || value >= kEndOfLastDay) {
        return std::nullopt;
    }
    double whole = 0.0;
    const double fraction = std::modf(value, &whole);
    auto days = static_cast<long long>(whole);
    auto milliseconds =
        std::llround(std::fabs(fraction) * static_cast<double>(kMillisecondsPerDay));
    if (milliseconds >= kMillisecondsPerDay) {  // rounding reached midnight
        milliseconds -= kMillisecondsPerDay;
        ++days;
    }
    using namespace std::chrono;
    const sys_days epoch = year{1899} / December / 30;
    const year_month_day date{epoch + std::chrono::days{days}};
    if (static_cast<int>(date.year()) > 9999) {
        return std::nullopt;
    }
    CivilDateTime result;
    result.year = static_cast<int>(date.year());
    result.month = static_cast<int>(static_cast<unsigned>(date.month()));
    result.day = static_cast<int>(static_cast<unsigned>(date.day()));
    result.hour = static_cast<int>(milliseconds / 3'600'000);
    result.minute = static_cast<int>(milliseconds / 60'000 % 60);
    result.second = static_cast<int>(milliseconds / 1000 % 60);
    result.millisecond = static_cast<int>(milliseconds % 1000);
    return result;
}

}  // namespace kvo
