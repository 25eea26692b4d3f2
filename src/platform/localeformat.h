#pragma once
// Date and time in the user's own formats (short date, long time).

#include <QString>

#include "platform/datevalue.h"

namespace kvo {

// Date in the short date format, two blanks, time in the long time format.
QString formatUserDateTime(const CivilDateTime& value);

}  // namespace kvo
