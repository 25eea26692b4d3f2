// Date-time values counted in days from 1899-12-30.

#include <gtest/gtest.h>

#include <limits>

#include "platform/datevalue.h"

namespace kvo {
namespace {

void expectDate(double value, int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    const auto t = decodeDateTime(value);
    ASSERT_TRUE(t.has_value()) << value;
    EXPECT_EQ(t->year, y) << value;
    EXPECT_EQ(t->month, mo) << value;
    EXPECT_EQ(t->day, d) << value;
    EXPECT_EQ(t->hour, h) << value;
    EXPECT_EQ(t->minute, mi) << value;
    EXPECT_EQ(t->second, s) << value;
    EXPECT_EQ(t->millisecond, ms) << value;
}

TEST(DateValue, CalendarAndTimeOfDay) {
    expectDate(0.0, 1899, 12, 30, 0, 0, 0);
    expectDate(100.0, 1900, 4, 9, 0, 0, 0);
    expectDate(36526.75, 2000, 1, 1, 18, 0, 0);
    expectDate(1.0 / 86400000.0 * 1500, 1899, 12, 30, 0, 0, 1, 500);
    // Negative values: the date counts back, the time of day is the fraction's absolute value.
    expectDate(-1.25, 1899, 12, 29, 6, 0, 0);
    expectDate(-0.5, 1899, 12, 30, 12, 0, 0);
    // A fraction that rounds up to midnight belongs to the next day.
    expectDate(2.9999999999, 1900, 1, 2, 0, 0, 0);
}

TEST(DateValue, CalendarLimits) {
    expectDate(-693593.0, 1, 1, 1, 0, 0, 0);
    expectDate(2958465.5, 9999, 12, 31, 12, 0, 0);
    EXPECT_FALSE(decodeDateTime(-693594.0));
    EXPECT_FALSE(decodeDateTime(2958466.0));
    EXPECT_FALSE(decodeDateTime(2958465.9999999999));  // rounds into year 10000
    EXPECT_FALSE(decodeDateTime(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(decodeDateTime(-std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(decodeDateTime(1e300));
}

}  // namespace
}  // namespace kvo
