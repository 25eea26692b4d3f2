#pragma once
// Windows only: the UTF-16 the system's calls take, made from the programs' UTF-8 at the
// platform boundary and nowhere else.

#include <string>

namespace kvo {

std::wstring WideOf(const std::string& utf8);
std::string Utf8OfWide(const std::wstring& wide);
// The name to hand to the system's file calls: absolute and in the \\?\ form, so that paths
// longer than 260 characters work. Devices (CON, NUL, \\.\...) stay as they are.
std::wstring SystemPathOf(const std::string& utf8);

}  // namespace kvo
