#pragma once
// The system's own texts behind the name tables (UTF-8).

#include <string_view>

namespace kvo::mystrings {

inline constexpr std::string_view sChannelTypeRoot = "Корневой";
inline constexpr std::string_view sChannelTypePeripheral = "Периферийный";
inline constexpr std::string_view sChannelTypeLeadingEdge = "Вх. кромка";
inline constexpr std::string_view sChannelTypeTrailingEdge = "Вых. кромка";
inline constexpr std::string_view sChannelTypeOncePerRevolution = "Оборотный";
inline constexpr std::string_view sChannelTypeRootCapacitive = "Корневой емкостный";
inline constexpr std::string_view sChannelTypePeripheralCapacitive = "Периферийный емкостный";
inline constexpr std::string_view sChannelTypeCommonTime = "единое время";

inline constexpr std::string_view sEventRunUpStart = "разгон начало";
inline constexpr std::string_view sEventRunUpEnd = "разгон завершение";
inline constexpr std::string_view sEventRunDownStart = "выбег начало";
inline constexpr std::string_view sEventRunDownEnd = "выбег завершение";
inline constexpr std::string_view sEventProcessing = "обработка";
inline constexpr std::string_view sEventSetup = "настройка";

inline constexpr std::string_view sSunday = "Воскресенье";
inline constexpr std::string_view sMonday = "Понедельник";
inline constexpr std::string_view sTuesday = "Вторник";
inline constexpr std::string_view sWednesday = "Среда";
inline constexpr std::string_view sThursday = "Четверг";
inline constexpr std::string_view sFriday = "Пятница";
inline constexpr std::string_view sSaturday = "Суббота";

inline constexpr std::string_view sChannelPrefix = "Канал - ";

inline constexpr std::string_view sQuantityList1 =
    "Расстояние,Амплитуда,Скорость,Напряжение,Срывные,Плотн.распр.";
inline constexpr std::string_view sQuantityList2 =
    "Расстояние,Амплитуда,Скорость,Напряжение,Срывные,Сжатый,резерв";

inline constexpr std::string_view sUnitMillimetre = "мм";
inline constexpr std::string_view sUnitMillimetrePerSecond = "мм/с";
inline constexpr std::string_view sUnitStress = "кгс/мм*мм";

}  // namespace kvo::mystrings
