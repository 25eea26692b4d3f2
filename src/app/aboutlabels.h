#pragma once
// What the about box shows: its six labels, read afresh from the executable's version resource.

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kvo {

class VersionInfoFile;

// The version resource has no usable translation table.
class EReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The standard key names of a version resource's string table.
inline constexpr std::array<std::string_view, 12> VersionKeyNames{
    "Comments",     "CompanyName",    "FileDescription", "FileVersion",
    "InternalName", "LegalCopyright", "LegalTrademarks", "OriginalFilename",
    "ProductName",  "ProductVersion", "PrivateBuild",    "SpecialBuild",
};

// Texts of Label1 .. Label6, UTF-8; a label without a text keeps what it shows.
using AboutLabels = std::array<std::optional<std::string>, 6>;

// The labels from the version resource of `executablePath`; none at all when the file has no
// resource (the box is then not shown). A resource without a translation table is EReadError.
std::optional<AboutLabels> readAboutLabels(const VersionInfoFile& file,
                                           const std::string& executablePath);

}  // namespace kvo
