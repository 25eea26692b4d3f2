#include "platform/versionresource.h"

#include <algorithm>
#include <optional>

#include "platform/utf8append.h"

namespace kvo {
namespace {

constexpr std::uint16_t kBinary = 0;
constexpr std::uint16_t kText = 1;
constexpr std::size_t kNodeHeader = 6;  // wLength, wValueLength, wType

std::size_t alignTo4(std::size_t offset) {
    return (offset + 3) & ~std::size_t{3};
}

// ---- building ----

struct Node {
    std::string key;
    std::vector<std::uint8_t> value;
    std::uint16_t valueLength = 0;
    std::uint16_t type = kText;
    std::vector<Node> children;
};

void putWord(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t word) {
    out[at] = static_cast<std::uint8_t>(word & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>(word >> 8);
}

void appendWord(std::vector<std::uint8_t>& out, std::uint16_t word) {
    out.push_back(static_cast<std::uint8_t>(word & 0xFF));
    out.push_back(static_cast<std::uint8_t>(word >> 8));
}

void appendDword(std::vector<std::uint8_t>& out, std::uint32_t dword) {
    appendWord(out, static_cast<std::uint16_t>(dword & 0xFFFF));
    appendWord(out, static_cast<std::uint16_t>(dword >> 16));
}

void padTo4(std::vector<std::uint8_t>& out) {
    out.resize(alignTo4(out.size()), 0);
}

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string result;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        std::uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra && i + k < text.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            result += static_cast<char16_t>(0xD800 + (code >> 10));
            result += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            result += static_cast<char16_t>(code);
        }
        i += extra + 1;
    }
    return result;
}

std::vector<std::uint8_t> utf16zBytes(std::string_view utf8) {
    std::vector<std::uint8_t> bytes;
    for (const char16_t unit : utf8ToUtf16(utf8)) {
        appendWord(bytes, unit);
    }
    appendWord(bytes, 0);
    return bytes;
}

void serialize(const Node& node, std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    appendWord(out, 0);  // length, patched below
    appendWord(out, node.valueLength);
    appendWord(out, node.type);
    const auto key = utf16zBytes(node.key);
    out.insert(out.end(), key.begin(), key.end());
    padTo4(out);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const Node& child : node.children) {
        padTo4(out);
        serialize(child, out);
    }
    putWord(out, start, static_cast<std::uint16_t>(out.size() - start));
}

Node fixedInfoRoot(const VersionResourceContent& content) {
    Node root{"VS_VERSION_INFO", {}, 52, kBinary, {}};
    appendDword(root.value, 0xFEEF04BD);  // signature
    appendDword(root.value, 0x00010000);  // structure version
    appendDword(root.value, content.fileVersionMS);
    appendDword(root.value, content.fileVersionLS);
    appendDword(root.value, content.productVersionMS);
    appendDword(root.value, content.productVersionLS);
    appendDword(root.value, 0x3F);  // flags mask
    for (int i = 0; i < 6; ++i) {   // flags, OS, type, subtype, date
        appendDword(root.value, 0);
    }
    return root;
}

// ---- parsing ----

struct View {
    std::span<const std::uint8_t> whole;  // the node, wLength bytes
    std::u16string key;
    std::span<const std::uint8_t> value;
    std::uint16_t valueLength = 0;
    std::size_t childrenAt = 0;  // offset of the first child inside `whole`
};

std::uint16_t wordAt(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::optional<View> parseNode(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kNodeHeader) {
        return std::nullopt;
    }
    const std::size_t length = wordAt(bytes, 0);
    if (length < kNodeHeader || length > bytes.size()) {
        return std::nullopt;
    }
    View node;
    node.whole = bytes.first(length);
    node.valueLength = wordAt(bytes, 2);
    const bool text = wordAt(bytes, 4) == kText;
    std::size_t at = kNodeHeader;
    for (; at + 1 < length && wordAt(bytes, at) != 0; at += 2) {
        node.key += static_cast<char16_t>(wordAt(bytes, at));
    }
    if (at + 1 >= length) {
        return std::nullopt;  // key not terminated inside the node
    }
    const std::size_t valueAt = std::min(alignTo4(at + 2), length);
    const std::size_t valueBytes = text ? std::size_t{node.valueLength} * 2 : node.valueLength;
    const std::size_t valueEnd = std::min(valueAt + valueBytes, length);
    node.value = node.whole.subspan(valueAt, valueEnd - valueAt);
    node.childrenAt = std::min(alignTo4(valueEnd), length);
    return node;
}

bool sameKey(std::u16string_view key, std::string_view wanted) {
    const auto lower = [](char32_t c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return key.size() == wanted.size() &&
           std::equal(key.begin(), key.end(), wanted.begin(), [&](char16_t a, char b) {
               return lower(a) == lower(static_cast<unsigned char>(b));
           });
}

std::optional<View> findChild(const View& parent, std::string_view key) {
    for (std::size_t at = parent.childrenAt; at < parent.whole.size();) {
        const auto child = parseNode(parent.whole.subspan(at));
        if (!child) {
            return std::nullopt;
        }
        if (sameKey(child->key, key)) {
            return child;
        }
        at = alignTo4(at + child->whole.size());
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::uint8_t> buildVersionResource(const VersionResourceContent& content) {
    Node root = fixedInfoRoot(content);
    if (!content.stringTableKey.empty()) {
        Node table{content.stringTableKey, {}, 0, kText, {}};
        for (const auto& [key, text] : content.strings) {
            const auto value = utf16zBytes(text);
            table.children.push_back(
                Node{key, value, static_cast<std::uint16_t>(value.size() / 2), kText, {}});
        }
        root.children.push_back(Node{"StringFileInfo", {}, 0, kText, {std::move(table)}});
    }
    if (!content.translations.empty()) {
        Node translation{"Translation", {}, 0, kBinary, {}};
        for (const auto& [language, codePage] : content.translations) {
            appendWord(translation.value, language);
            appendWord(translation.value, codePage);
        }
        translation.valueLength = static_cast<std::uint16_t>(translation.value.size());
        root.children.push_back(Node{"VarFileInfo", {}, 0, kText, {std::move(translation)}});
    }
    std::vector<std::uint8_t> bytes;
    serialize(root, bytes);
    return bytes;
}

bool verQueryValue(std::span<const std::uint8_t> block, std::string_view subBlock,
                   std::span<const std::uint8_t>& value, std::uint32_t& length) {
    auto node = parseNode(block);
    while (node && !subBlock.empty()) {
        const std::size_t slash = subBlock.find('\\');
        const std::string_view key = subBlock.substr(0, slash);
        subBlock =
            slash == std::string_view::npos ? std::string_view{} : subBlock.substr(slash + 1);
        if (!key.empty()) {
            node = findChild(*node, key);
        }
    }
    if (!node) {
        return false;
    }
    value = node->value;
    length = node->valueLength;
    return true;
}

std::u16string utf16TextAt(std::span<const std::uint8_t> value) {
    std::u16string text;
    for (std::size_t at = 0; at + 1 < value.size() && wordAt(value, at) != 0; at += 2) {
        text += static_cast<char16_t>(wordAt(value, at));
    }
    return text;
}

std::string utf8TextAt(std::span<const std::uint8_t> value) {
    const std::u16string text = utf16TextAt(value);
    std::string utf8;
    for (std::size_t at = 0; at < text.size(); ++at) {
        char32_t code = text[at];
        const bool high = code >= 0xD800 && code < 0xDC00;
        if (high && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++at] - 0xDC00);
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;
        }
        AppendUtf8(utf8, code);
    }
    return utf8;
}

}  // namespace kvo
