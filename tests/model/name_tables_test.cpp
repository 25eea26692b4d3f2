#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "model/types4kvo.h"

namespace kvo {
namespace {

std::size_t listEntries(std::string_view list) {
    return static_cast<std::size_t>(std::count(list.begin(), list.end(), ',')) + 1;
}

TEST(NameTables, QuantityListsMatchTheirUnits) {
    EXPECT_EQ(listEntries(QuantityList1), QuantityUnits1.size());
    EXPECT_EQ(listEntries(QuantityList2), QuantityUnits2.size());
    EXPECT_EQ(QuantityList1.find(' '), std::string_view::npos);
    EXPECT_EQ(QuantityUnits1[4], "");
    EXPECT_EQ(QuantityUnits1[5], "плотность");
    EXPECT_EQ(QuantityUnits2[3], "кгс/мм*мм");
    EXPECT_EQ(QuantityUnits2[6], "");
}

TEST(NameTables, ChannelTypesAndCalendarNames) {
    EXPECT_EQ(ChannelTypeNames[0], "Корневой");
    EXPECT_EQ(ChannelTypeNames[6], "Периферийный емкостный");
    EXPECT_EQ(ChannelTypeNames[8], "IRIG-B");
    EXPECT_EQ(WeekDayNames[0], "Воскресенье");
    EXPECT_EQ(WeekDayNames[6], "Суббота");
    EXPECT_EQ(EventNames[5], "настройка");
    EXPECT_EQ(ChannelPrefix, "Канал - ");
}

}  // namespace
}  // namespace kvo
