#pragma once
// Inspecting a recording or compressed file before a run: the passport lines, the summary lines,
// the data size and the block sizes on offer. Texts are UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/passport_text.h"
#include "platform/filestream.h"

namespace kvo {

enum class FileKind { Recording, Compressed };

// By the file name's extension alone: ".kvo" or ".kvox" in any letter case (recordings copied
// from Windows machines often carry "DATA.KVO"); anything else is none.
std::optional<FileKind> fileKindOf(std::string_view path);

// The file a conversion of the `kind` file at `path` writes beside it. The extension of its kind
// is swapped for the other one with its letters kept as they are and an added "x" in the case of
// the "o" before it ("UP.KVO" -> "UP.KVOX", "up.KvO" -> "up.KvOX"), so that a round trip gives
// the name back; a name without that extension keeps it and gains ".kvo" or ".kvox".
std::string counterpartPath(std::string_view path, FileKind kind);

// Block sizes offered for a data area: (records div i) x 6 for every divisor i = 1..100 of the
// record count, largest first. An area without a whole record offers a hundred zeros.
std::vector<std::uint64_t> blockSizeList(std::int64_t dataSize);

// The expected size of the compressed file: 40 percent of the whole file, in steps of 200 bytes.
std::uint64_t compressedSizeEstimate(std::uint64_t fileSize);

// Files of this size or more are refused: sizes and positions are shown as signed 32-bit values.
inline constexpr std::uint64_t kMaxInspectedFileSize = std::uint64_t{1} << 31;

struct FileInspection {
    FileKind kind = FileKind::Recording;
    std::uint64_t fileSize = 0;
    std::uint32_t passportLength = 0;
    std::int32_t dataSize = 0;    // bytes behind the passport
    std::uint64_t blockSize = 0;  // compressed file: records of its first block x 6
    std::vector<std::string> passportLines;
    std::vector<std::string> summaryLines;
    std::vector<std::uint64_t> blockSizes;  // one item, the block size, for a compressed file
};

// Reads the passport and the first block's length word of `source`, whose path is the one shown.
// Leaves the stream at position 0. A file shorter than 10 bytes, a passport length beyond the end
// of the file and a file of 2 GiB or more are refused with ConvertError before anything large is
// allocated.
FileInspection inspectFile(FileStream& source, FileKind kind,
                           const DateTimeFormatter& formatDateTime);

}  // namespace kvo
