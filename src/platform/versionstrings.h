#pragma once
// The version strings file ("Key=Value" lines, UTF-8; empty lines and lines starting with "#"
// are skipped) as the content of a version resource.

#include <istream>

#include "platform/versionresource.h"

namespace kvo {

// Every string goes into the one string table of translation 0409/04E4; the fixed file and
// product versions are the four numbers of "FileVersion" and "ProductVersion". Throws
// std::runtime_error for a line without "=" or a version that is not four numbers.
VersionResourceContent versionContentFrom(std::istream& strings);

}  // namespace kvo
