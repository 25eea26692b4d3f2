#pragma once
// The passport as the lines of the passport window (UTF-8), decoded field by field in file order.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "convert/passport_fields.h"
#include "model/fileformat.h"
#include "model/head.h"
#include "platform/datevalue.h"
#include "platform/filestream.h"

namespace kvo {

// Writes a StartTime in the caller's formats: the desktop program uses the user's locale.
using DateTimeFormatter = std::function<std::string(const CivilDateTime&)>;

// Reads the passport held by `head` from its start. Only fields that lie wholly inside the
// passport's `fSize` bytes are shown; when the fields run past that length the lines end with one
// that says the passport is cut short.
std::vector<std::string> passportLines(THeadel& head, const DateTimeFormatter& formatDateTime);

// The lines of the passport of `source` that is passportLength bytes long. Reads only the bytes
// the decoded fields can occupy, so a huge length field costs no memory. Leaves the stream behind
// the bytes read.
std::vector<std::string> readPassportLines(FileStream& source, std::uint32_t passportLength,
                                           const DateTimeFormatter& formatDateTime);

// The line shown in place of fields that lie beyond the passport's length.
std::string passportCutShortLine(std::uint32_t passportLength);

}  // namespace kvo
