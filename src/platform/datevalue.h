#pragma once
// Date-time values of recording files: days since 1899-12-30 00:00, the fraction is the time of
// day.

#include <optional>

namespace kvo {

struct CivilDateTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// Splits a value into calendar date and time of day. For negative values the time of day is the
// absolute value of the fraction (-1.25 is 1899-12-29 06:00), the convention the recording
// system uses. Not a number, infinities and values outside years 1..9999 give no date.
std::optional<CivilDateTime> decodeDateTime(double value);

}  // namespace kvo
