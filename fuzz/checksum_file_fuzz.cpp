// Arbitrary bytes as a checksum file. Every entry the text gives is well formed, and written again
// as sha256sum writes it, it reads back the same, alone and with the others. The same bytes
// beside an archive give its digest or a refusal with a message, never more than the bound of a
// checksum file read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/checksum.h"
#include "convert/checksumtext.h"
#include "convert/converterror.h"
#include "platform/filestream.h"
#include "require.h"
#include "scratch_folder.h"

using kvo::fuzz::Require;

namespace {

bool LowerHex(const std::string& hex) {
    if (hex.size() != 64) {
        return false;
    }
    for (const char c : hex) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<kvo::ChecksumEntry> entries = kvo::ParseChecksumText(text);
    std::string written;
    for (const kvo::ChecksumEntry& entry : entries) {
        Require(LowerHex(entry.hex), "a digest is 64 lower-case hex digits");
        Require(!entry.name.empty() && entry.name.find('\0') == std::string::npos,
                "a name is not empty and holds no NUL");
        const std::string line = kvo::ChecksumLine(entry.hex, entry.name);
        Require(kvo::ParseChecksumText(line) == std::vector{entry}, "a written line reads back");
        written += line;
    }
    Require(kvo::ParseChecksumText(written) == entries, "written lines read back together");

    static const auto archive = [] {
        const auto path = kvo::fuzz::ScratchFolder() / "a.kvox";
        kvo::fuzz::WriteFile(path, "the archive");
        return path;
    }();
    kvo::fuzz::WriteFile(archive.string() + ".sha256", text);
    const auto stream = kvo::FileStream::OpenRead(archive.string());
    try {
        const auto digest = kvo::ReadChecksumFor(stream);
        Require(digest && LowerHex(*digest), "a checksum file that is there gives a digest");
        Require(size <= kvo::kMaxChecksumFileSize, "a file over the bound is refused");
    } catch (const kvo::ConvertError& error) {
        Require(error.kind() == kvo::ConvertError::Kind::Refused && error.what()[0] != '\0',
                "a checksum file is refused with a message");
    }
    return 0;
}
