#include "platform/elfsection.h"

#include <fstream>
#include <string>

namespace kvo {
namespace {

constexpr std::uint64_t kMaxSection = 1u << 20;  // a version resource is a few hundred bytes

struct Layout {
    bool wide = true;  // 64-bit
    std::uint64_t sectionTable = 0;
    std::uint64_t entrySize = 0;
    std::uint64_t count = 0;
    std::uint64_t namesIndex = 0;
};

struct Section {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

class Reader {
  public:
    explicit Reader(const std::filesystem::path& file) : in_(file, std::ios::binary) {
        in_.seekg(0, std::ios::end);
        size_ = in_ ? static_cast<std::uint64_t>(in_.tellg()) : 0;
    }

    bool read(std::uint64_t at, std::uint64_t count, std::vector<std::uint8_t>& out) {
        if (!in_ || at > size_ || count > size_ - at) {
            return false;
        }
        out.resize(count);
        in_.seekg(static_cast<std::streamoff>(at));
        in_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(count));
        return static_cast<bool>(in_);
    }

  private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
};

std::uint64_t little(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;) {
        value = (value << 8) | bytes[at + i];
    }
    return value;
}

std::optional<Layout> readLayout(Reader& reader) {
    std::vector<std::uint8_t> header;
    if (!reader.read(0, 52, header) || header[0] != 0x7F || header[1] != 'E' || header[2] != 'L' ||
        header[3] != 'F' || header[5] != 1 /* little-endian */) {
        return std::nullopt;
    }
    Layout layout;
    layout.wide = header[4] == 2;
    if (layout.wide ? !reader.read(0, 64, header) : header[4] != 1) {
        return std::nullopt;
    }
    const std::size_t w = layout.wide ? 8 : 4;
    const std::size_t table = layout.wide ? 0x28 : 0x20;
    layout.sectionTable = little(header, table, w);
    layout.entrySize = little(header, table + w + 10, 2);
    layout.count = little(header, table + w + 12, 2);
    layout.namesIndex = little(header, table + w + 14, 2);
    if (layout.entrySize < (layout.wide ? 64u : 40u) || layout.namesIndex >= layout.count) {
        return std::nullopt;
    }
    return layout;
}

std::optional<Section> readSection(Reader& reader, const Layout& layout, std::uint64_t index) {
    std::vector<std::uint8_t> entry;
    if (!reader.read(layout.sectionTable + index * layout.entrySize, layout.entrySize, entry)) {
        return std::nullopt;
    }
    const std::size_t w = layout.wide ? 8 : 4;
    Section section;
    section.name = static_cast<std::uint32_t>(little(entry, 0, 4));
    section.type = static_cast<std::uint32_t>(little(entry, 4, 4));
    section.offset = little(entry, 8 + 2 * w, w);
    section.size = little(entry, 8 + 3 * w, w);
    return section;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readElfSection(const std::filesystem::path& file,
                                                        std::string_view sectionName) {
    Reader reader(file);
    const auto layout = readLayout(reader);
    if (!layout) {
        return std::nullopt;
    }
    const auto names = readSection(reader, *layout, layout->namesIndex);
    std::vector<std::uint8_t> nameTable;
    if (!names || names->size > kMaxSection ||
        !reader.read(names->offset, names->size, nameTable)) {
        return std::nullopt;
    }
    for (std::uint64_t i = 0; i < layout->count; ++i) {
        const auto section = readSection(reader, *layout, i);
        if (!section || section->name >= nameTable.size()) {
            continue;
        }
        const std::size_t start = section->name;
        std::size_t end = start;
        while (end < nameTable.size() && nameTable[end] != 0) {
            ++end;
        }
        const std::string name(nameTable.begin() + static_cast<std::ptrdiff_t>(start),
                               nameTable.begin() + static_cast<std::ptrdiff_t>(end));
        constexpr std::uint32_t kNoBits = 8;  // occupies no file space
        if (name != sectionName || section->type == kNoBits || section->size > kMaxSection) {
            continue;
        }
        std::vector<std::uint8_t> bytes;
        if (reader.read(section->offset, section->size, bytes)) {
            return bytes;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace kvo
