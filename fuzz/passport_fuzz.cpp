// Arbitrary bytes as a file opened for inspection, as either kind: the passport and summary lines
// as valid text, or a refusal with a message. Dates handed to the formatter are real dates. The
// listings of kvox -l hold no control character but their line ends, whatever the passport says.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/listing.h"
#include "codec/block_format.h"
#include "convert/converterror.h"
#include "convert/inspect.h"
#include "model/fileformat.h"
#include "platform/filestream.h"
#include "require.h"
#include "scratch_folder.h"

using kvo::fuzz::Require;

namespace {

// Lead and continuation bytes in their places: enough to catch single-byte text that escaped
// conversion.
bool IsUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
        if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || text.size() - at <= extra) {
            return false;
        }
        for (std::size_t i = 1; i <= extra; ++i) {
            if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) {
                return false;
            }
        }
        at += extra + 1;
    }
    return true;
}

// C0 characters other than the line end, DEL, and the C1 characters U+0080..U+009F in UTF-8.
bool HasControlCharacter(std::string_view text) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const bool c1 = byte == 0xC2 && at + 1 < text.size() &&
                        static_cast<unsigned char>(text[at + 1]) <= 0x9F;
        if ((byte < 0x20 && byte != '\n') || byte == 0x7F || c1) {
            return true;
        }
    }
    return false;
}

std::string CheckedDate(const kvo::CivilDateTime& t) {
    Require(t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
                t.day <= 31 && t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 &&
                t.second >= 0 && t.second < 60 && t.millisecond >= 0 && t.millisecond < 1000,
            "a decoded start time is a real date and time");
    return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day);
}

void Inspect(const std::string& path, kvo::FileKind kind, const std::uint8_t* data,
             std::size_t size) {
    auto source = kvo::FileStream::OpenRead(path);
    std::optional<kvo::FileInspection> inspection;
    try {
        inspection = kvo::inspectFile(source, kind, &CheckedDate);
    } catch (const kvo::ConvertError& error) {
        Require(error.what()[0] != '\0', "a refusal says why");
        return;
    }
    Require(size >= kvo::kPassportLengthOffset + 4, "a file without a passport length is refused");
    const std::uint32_t passportLength = kvo::codec::readU32(data + kvo::kPassportLengthOffset);
    Require(inspection->passportLength == passportLength && passportLength <= size,
            "the passport length is read from the file and fits in it");
    Require(inspection->dataSize == static_cast<std::int32_t>(size - passportLength),
            "the data size is what follows the passport");
    Require(source.position() == 0, "inspection leaves the file at its start");
    Require(!inspection->passportLines.empty() && !inspection->blockSizes.empty(),
            "there are passport lines and block sizes");
    for (const auto* lines : {&inspection->passportLines, &inspection->summaryLines}) {
        for (const std::string& line : *lines) {
            Require(IsUtf8(line), "every line is valid text");
        }
    }
    if (kind == kvo::FileKind::Compressed) {
        const bool hasWord = size - passportLength >= kvo::codec::kLengthFieldSize;
        // Shown as the program has always computed it: in unsigned 32 bits, so FF FF FF FF
        // gives 4294967290.
        const std::uint32_t expected = hasWord ? (kvo::codec::readU32(data + passportLength) >> 1) *
                                                     static_cast<std::uint32_t>(kvo::kRecordSize)
                                               : 0;
        Require(inspection->blockSize == expected, "the block size comes from the first block");
    }
}

void List(const std::string& path, kvo::FileKind kind) {
    auto source = kvo::FileStream::OpenRead(path);
    std::optional<kvo::cli::Listing> listing;
    try {
        listing = kvo::cli::ListFile(source, kind);
    } catch (const kvo::ConvertError& error) {
        Require(error.what()[0] != '\0', "a refused listing says why");
        return;
    }
    Require(source.position() == 0, "listing leaves the file at its start");
    std::ostringstream text;
    kvo::cli::PrintListing(text, *listing);
    Require(IsUtf8(text.str()) && !HasControlCharacter(text.str()),
            "the text listing is valid text without control characters");
    std::ostringstream json;
    kvo::cli::PrintListingJson(json, *listing);
    const std::string line = json.str();
    Require(!line.empty() && line.back() == '\n' && IsUtf8(line) &&
                !HasControlCharacter(std::string_view(line).substr(0, line.size() - 1)) &&
                line.find('\n') == line.size() - 1,
            "the JSON listing is one line of valid text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = kvo::fuzz::ScratchFolder() / "passport.kvo";
    kvo::fuzz::WriteFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
    Inspect(path.string(), kvo::FileKind::Recording, data, size);
    Inspect(path.string(), kvo::FileKind::Compressed, data, size);
    List(path.string(), kvo::FileKind::Recording);
    List(path.string(), kvo::FileKind::Compressed);
    return 0;
}
