// Date and time of a passport in a locale's own formats.

#include <gtest/gtest.h>

#include <QLocale>
#include <QRegularExpression>

#include "platform/localeformat.h"

namespace kvo {
namespace {

const CivilDateTime kNoon{2024, 3, 7, 12, 0, 0, 0};

TEST(LocaleFormat, LongTimeLeavesOutTheZoneFieldWithItsBracketsAndBlanks) {
    // Locales whose long time format has the zone in brackets, after a comma, after a blank or
    // before the time.
    const auto shown = [](const char* name, const CivilDateTime& value) {
        return formatDateTimeIn(QLocale(QString::fromLatin1(name)), value).toStdString();
    };
    EXPECT_EQ(shown("es_ES", kNoon), "7/3/24  12:00:00");
    EXPECT_EQ(shown("ca_ES", kNoon), "7/3/24  12:00:00");
    EXPECT_EQ(shown("zh_TW", kNoon), "2024/3/7  B12:00:00");
    EXPECT_EQ(shown("sq_AL", kNoon), "7.3.24  12:00:00 E PASDITES");
    EXPECT_EQ(shown("ru_RU", kNoon), "07.03.2024  12:00:00");
    EXPECT_EQ(shown("en_US", kNoon), "3/7/24  12:00:00 PM");
    EXPECT_EQ(shown("fr_CA", kNoon), "2024-03-07  12 h 00 min 00 s");

    // Whatever a locale's format, no empty brackets and no stray blanks stay behind, and the
    // seconds are still shown.
    const QRegularExpression emptyBrackets(QStringLiteral("[(\\[\uFF08]\\s*[)\\]\uFF09]"));
    const QLocale::Language any = QLocale::AnyLanguage;
    for (const QLocale& locale :
         QLocale::matchingLocales(any, QLocale::AnyScript, QLocale::AnyTerritory)) {
        const QString text = formatDateTimeIn(locale, {2024, 3, 7, 12, 34, 56, 0});
        const QString time = text.section(QStringLiteral("  "), 1);
        EXPECT_FALSE(text.contains(emptyBrackets)) << text.toStdString();
        EXPECT_FALSE(time.endsWith(QLatin1Char(',')) || time.startsWith(QLatin1Char(',')))
            << text.toStdString();
        EXPECT_EQ(time, time.trimmed()) << locale.name().toStdString();
        EXPECT_FALSE(time.isEmpty()) << locale.name().toStdString();
        EXPECT_TRUE(time.contains(locale.toString(56)))
            << locale.name().toStdString() << ": " << text.toStdString();
    }
}

}  // namespace
}  // namespace kvo
