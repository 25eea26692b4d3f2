#include "platform/filename.h"

#include "platform/visibletext.h"

namespace kvo {
namespace {

constexpr char16_t kEscapedByte = 0xDC00;

}  // namespace

QString decodeFileName(std::string_view bytes) {
    QString name;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0) {
            name +=
                QChar(static_cast<char16_t>(kEscapedByte + static_cast<std::uint8_t>(bytes[at])));
            ++at;
            continue;
        }
        name += QString::fromUtf8(bytes.data() + at, static_cast<qsizetype>(length));
        at += length;
    }
    return name;
}

std::string encodeFileName(const QString& name) {
    std::string bytes;
    for (qsizetype at = 0; at < name.size(); ++at) {
        const char16_t unit = name.at(at).unicode();
        if (unit >= kEscapedByte + 0x80 && unit <= kEscapedByte + 0xFF) {
            bytes += static_cast<char>(unit - kEscapedByte);
            continue;
        }
        // A surrogate pair stays together; every other unit is one character.
        const qsizetype length =
            QChar::isHighSurrogate(unit) && at + 1 < name.size() && name.at(at + 1).isLowSurrogate()
                ? 2
                : 1;
        bytes += name.mid(at, length).toStdString();
        at += length - 1;
    }
    return bytes;
}

}  // namespace kvo
