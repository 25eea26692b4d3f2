#pragma once
// Date and time in the user's own formats (short date, long time).

#include <QString>

#include "platform/datevalue.h"

class QLocale;

namespace kvo {

// Date in the short date format, two blanks, time in the long time format, of `locale`.
QString formatDateTimeIn(const QLocale& locale, const CivilDateTime& value);

// The same in the user's locale.
QString formatUserDateTime(const CivilDateTime& value);

}  // namespace kvo
