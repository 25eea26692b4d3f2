#include "convert/passport_text.h"

#include <algorithm>
#include <cstdio>

#include "convert/passport_fields.h"
#include "model/types4kvo.h"
#include "platform/codepage.h"
#include "platform/russiancount.h"

namespace kvo {
namespace {

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

std::string channelLine(const PassportChannel& channel) {
    return "Канал " + std::to_string(channel.number) +
           "  Ку/Кд = " + twoDigits(gainCodeLow(channel.gainCode)) + "/" +
           std::to_string(gainCodeHigh(channel.gainCode)) + "  Имя отм. " +
           cp1251ToUtf8(channel.markName) + "  Тип " + channelTypeText(channel.type);
}

}  // namespace

std::string passportCutShortLine(std::uint32_t passportLength) {
    return "Паспорт обрывается: поля за пределами его длины (" +
           CountOf(passportLength, kByteForms) + ") не показаны";
}

std::vector<std::string> passportLines(THeadel& head, const DateTimeFormatter& formatDateTime) {
    const PassportFields fields = decodePassport(head);
    // Every field behind one that is missing is missing too.
    std::vector<std::string> lines;
    if (fields.signature) {
        lines.push_back(cp1251ToUtf8(*fields.signature));
    }
    if (fields.length) {
        lines.push_back("Длина паспорта = " + std::to_string(*fields.length));
    }
    if (fields.boardNumber) {
        lines.push_back("Плата = М" + std::to_string(*fields.boardNumber));
    }
    if (fields.channelCount) {
        lines.push_back("Число каналов = " +
                        std::to_string(channelEntryCount(*fields.channelCount)));
    }
    for (const auto& channel : fields.channels) {
        lines.push_back(channelLine(channel));
    }
    if (fields.startTime) {
        lines.push_back("Датирование = " + startTimeText(*fields.startTime, formatDateTime));
    }
    if (fields.analogRate) {
        lines.push_back("част.дискр.аналог.кан. = " + std::to_string(*fields.analogRate));
    }
    if (!fields.complete) {
        lines.push_back(passportCutShortLine(head.fSize));
    }
    return lines;
}

std::vector<std::string> readPassportLines(FileStream& source, std::uint32_t passportLength,
                                           const DateTimeFormatter& formatDateTime) {
    // A passport longer than its fields shows the same lines as its first bytes alone.
    const std::uint32_t shown = DecodedPassportBytes(passportLength);
    THeadel head(shown);
    source.seek(0);
    source.readExact(head.fHead, shown);
    return passportLines(head, formatDateTime);
}

}  // namespace kvo
