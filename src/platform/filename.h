#pragma once
// File names are bytes. Qt decodes them as UTF-8 and drops or garbles names that are not (such
// as Windows-1251 names copied from other machines); these two keep every byte, so such a file
// opens like any other. A byte that is not part of well-formed UTF-8 becomes the lone surrogate
// U+DC00 + byte, which no well-formed name decodes to, and turns back into that byte.

#include <QString>
#include <string>
#include <string_view>

namespace kvo {

QString decodeFileName(std::string_view bytes);
std::string encodeFileName(const QString& name);

}  // namespace kvo
