#include "platform/localeformat.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>

namespace kvo {
namespace {

// A time of day has no zone, so the long format's zone field goes, together with the brackets
// around it and the blanks or comma that set it apart ("H:mm:ss (t)", "h:mm:ss AP, t",
// "t HH:mm:ss"); text in quotes is the locale's literal text and stays.
QString withoutTimeZone(const QString& format) {
    static const QRegularExpression zone(
        QStringLiteral("[\\s,]*(?:\\(\\s*t+\\s*\\)|\\[\\s*t+\\s*\\]|t+)"));
    static const QRegularExpression leading(QStringLiteral("^[\\s,]+"));
    QString result;
    const QStringList parts = format.split(QLatin1Char('\''));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            result += QLatin1Char('\'');
        }
        result += i % 2 == 0 ? QString(parts[i]).remove(zone) : parts[i];
    }
    return result.remove(leading).trimmed();
}

}  // namespace

QString formatDateTimeIn(const QLocale& locale, const CivilDateTime& value) {
    const QDate date(value.year, value.month, value.day);
    const QTime time(value.hour, value.minute, value.second, value.millisecond);
    return locale.toString(date, QLocale::ShortFormat) + QStringLiteral("  ") +
           locale.toString(time, withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString formatUserDateTime(const CivilDateTime& value) {
    return formatDateTimeIn(QLocale::system(), value);
}

}  // namespace kvo
