#include "platform/localeformat.h"

#include <QDate>
#include <QLocale>
#include <QTime>

namespace kvo {

QString formatUserDateTime(const CivilDateTime& value) {
    const QLocale locale = QLocale::system();
    const QDate date(value.year, value.month, value.day);
    const QTime time(value.hour, value.minute, value.second, value.millisecond);
    // A time of day has no zone, so the long format's zone field is left out.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t'));
    return locale.toString(date, QLocale::ShortFormat) + QStringLiteral("  ") +
           locale.toString(time, timeFormat.trimmed());
}

}  // namespace kvo
