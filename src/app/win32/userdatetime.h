#pragma once
// The passport's start time in the user's short date and long time formats.

#include <string>

#include "platform/datevalue.h"

namespace kvo::win32 {

std::string UserDateTime(const CivilDateTime& value);

}  // namespace kvo::win32
