#include "convert/passport_text.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "model/types4kvo.h"
#include "platform/codepage.h"
#include "platform/russiancount.h"

namespace kvo {
namespace {

// Peeks through the cursor only while the value lies inside the passport's own length, so a
// passport whose fields claim more than it holds never shows bytes from behind it.
class BoundedPassport {
  public:
    BoundedPassport(THeadel& head, std::uint32_t limit) : head_(head), limit_(limit) {}

    bool fits(std::uint64_t width) const { return std::uint64_t{head_.Cur} + width <= limit_; }

    template <class T>
    std::optional<T> peek(std::int32_t (THeadel::*operation)(T&)) {
        if (!fits(sizeof(T))) {
            return std::nullopt;
        }
        T value{};
        (head_.*operation)(value);
        return value;
    }

    std::optional<std::string> peekString() {
        if (!fits(1)) {
            return std::nullopt;
        }
        const auto length = static_cast<const std::uint8_t*>(head_.CurPointer)[0];
        if (!fits(std::uint64_t{1} + length)) {
            return std::nullopt;
        }
        std::string value;
        head_.PeekString(value);
        return value;
    }

  private:
    THeadel& head_;
    std::uint64_t limit_;
};

std::string twoDigits(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%2u", value);
    return text;
}

std::string channelTypeText(std::uint16_t type) {
    return type < ChannelTypeNames.size() ? std::string(ChannelTypeNames[type])
                                          : std::to_string(type);
}

std::string startTimeText(double value, const DateTimeFormatter& formatDateTime) {
    if (const auto civil = decodeDateTime(value)) {
        return formatDateTime(*civil);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return std::string("недопустимое значение ") + text;
}

// Appends the lines in file order; false as soon as a field does not fit.
bool appendFields(BoundedPassport& passport, const DateTimeFormatter& formatDateTime,
                  std::vector<std::string>& lines) {
    std::string signature;
    for (int i = 0; i < 6; ++i) {
        const auto c = passport.peek<char>(&THeadel::PeekChar);
        if (!c) {
            return false;
        }
        signature += *c;
    }
    lines.push_back(cp1251ToUtf8(signature));

    const auto length = passport.peek<std::uint32_t>(&THeadel::PeekLongWord);
    if (!length) {
        return false;
    }
    lines.push_back("Длина паспорта = " + std::to_string(*length));

    const auto board = passport.peek<std::uint16_t>(&THeadel::PeekWord);
    if (!board) {
        return false;
    }
    lines.push_back("Плата = М" + std::to_string(*board));

    const auto channelCount = passport.peek<std::uint16_t>(&THeadel::PeekWord);
    if (!channelCount) {
        return false;
    }
    const unsigned entries = channelEntryCount(*channelCount);
    lines.push_back("Число каналов = " + std::to_string(entries));

    for (unsigned i = 0; i < entries; ++i) {
        const auto number = passport.peek<std::uint16_t>(&THeadel::PeekWord);
        const auto gain = number ? passport.peek<std::uint8_t>(&THeadel::PeekByte) : std::nullopt;
        const auto mark = gain ? passport.peekString() : std::nullopt;
        const auto type = mark ? passport.peek<std::uint16_t>(&THeadel::PeekWord) : std::nullopt;
        if (!type) {
            return false;
        }
        lines.push_back("Канал " + std::to_string(*number) + "  Ку/Кд = " +
                        twoDigits(gainCodeLow(*gain)) + "/" + std::to_string(gainCodeHigh(*gain)) +
                        "  Имя отм. " + cp1251ToUtf8(*mark) + "  Тип " + channelTypeText(*type));
    }

    const auto startTime = passport.peek<double>(&THeadel::PeekDouble);
    if (!startTime) {
        return false;
    }
    lines.push_back("Датирование = " + startTimeText(*startTime, formatDateTime));

    const auto analogRate = passport.peek<std::uint16_t>(&THeadel::PeekWord);
    if (!analogRate) {
        return false;
    }
    lines.push_back("част.дискр.аналог.кан. = " + std::to_string(*analogRate));
    return true;
}

}  // namespace

std::string passportCutShortLine(std::uint32_t passportLength) {
    return "Паспорт обрывается: поля за пределами его длины (" +
           CountOf(passportLength, kByteForms) + ") не показаны";
}

std::vector<std::string> passportLines(THeadel& head, const DateTimeFormatter& formatDateTime) {
    BoundedPassport passport(head, head.fSize);
    std::vector<std::string> lines;
    if (!appendFields(passport, formatDateTime, lines)) {
        lines.push_back(passportCutShortLine(head.fSize));
    }
    return lines;
}

std::vector<std::string> readPassportLines(FileStream& source, std::uint32_t passportLength,
                                           const DateTimeFormatter& formatDateTime) {
    // A passport longer than its fields shows the same lines as its first bytes alone.
    const std::uint32_t shown = std::min(passportLength, kMaxDecodedPassportBytes);
    THeadel head(shown);
    source.seek(0);
    source.readExact(head.fHead, shown);
    return passportLines(head, formatDateTime);
}

}  // namespace kvo
