#include "cli/listing.h"

#include <cstdio>
#include <iomanip>

#include "cli/jsontext.h"
#include "convert/blockplan.h"
#include "convert/storedblocks.h"
#include "model/fileformat.h"
#include "model/head.h"

namespace kvo::cli {
namespace {

std::string DateTimeText(const CivilDateTime& time) {
    char text[40];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d  %02d:%02d:%02d", time.day, time.month,
                  time.year, time.hour, time.minute, time.second);
    return text;
}

std::vector<std::string> ReadPassportLines(FileStream& source, std::uint32_t passportLength) {
    THeadel head(passportLength);
    source.seek(0);
    source.readExact(head.fHead, passportLength);
    source.seek(0);
    return passportLines(head, DateTimeText);
}

// Compressed size over restored size, or nothing when there is nothing to compare.
std::optional<double> Ratio(const Listing& listing) {
    if (listing.kind == FileKind::Recording || listing.restoredSize == 0) {
        return std::nullopt;
    }
    return static_cast<double>(listing.fileSize) / static_cast<double>(listing.restoredSize);
}

}  // namespace

Listing ListFile(FileStream& source, FileKind kind) {
    Listing listing;
    listing.path = source.path();
    listing.kind = kind;
    listing.fileSize = source.size();
    listing.passportLength = ReadPassportLength(source);
    listing.passportLines = ReadPassportLines(source, listing.passportLength);
    listing.dataSize = listing.fileSize - listing.passportLength;
    if (kind == FileKind::Recording) {
        listing.records = listing.dataSize / kRecordSize;
        listing.partialBytes = listing.dataSize % kRecordSize;
        const BlockPlan plan = DefaultBlocks(listing.dataSize);
        listing.blocks = listing.records == 0 ? 0 : plan.blockCount();
        listing.blockSize = plan.fullBlocks != 0 ? plan.blockSize : plan.lastBlockSize;
    } else {
        const StoredBlocks stored = WalkStoredBlocks(source, listing.passportLength);
        listing.records = stored.records;
        listing.blocks = stored.blocks;
        listing.blockSize = stored.firstBlockRecords * kRecordSize;
        listing.restoredSize = listing.passportLength + stored.records * kRecordSize;
        listing.cutShortBlock = stored.cutShortBlock;
    }
    return listing;
}

void PrintListing(std::ostream& out, const Listing& listing) {
    const bool recording = listing.kind == FileKind::Recording;
    out << "Файл " << listing.path << (recording ? " (исходный)" : " (сжатый)") << '\n';
    for (const auto& line : listing.passportLines) {
        out << "  " << line << '\n';
    }
    out << "Размер = " << listing.fileSize << ", паспорт = " << listing.passportLength
        << ", данные = " << listing.dataSize << '\n';
    out << "Записей = " << listing.records << ", блоков = " << listing.blocks
        << ", размер блока = " << listing.blockSize << '\n';
    if (recording) {
        if (listing.partialBytes != 0) {
            out << "Неполная запись в конце: " << listing.partialBytes << " байт\n";
        }
        return;
    }
    out << "Восстановленный размер = " << listing.restoredSize;
    if (const auto ratio = Ratio(listing)) {
        out << ", степень сжатия = " << std::fixed << std::setprecision(1) << *ratio * 100.0 << '%'
            << std::defaultfloat;
    }
    out << '\n';
    if (listing.cutShortBlock) {
        out << "Блок " << *listing.cutShortBlock + 1 << " обрывается в конце файла\n";
    }
}

void PrintListingJson(std::ostream& out, const Listing& listing) {
    out << "{\"file\":" << JsonString(listing.path) << ",\"kind\":\""
        << (listing.kind == FileKind::Recording ? "recording" : "compressed")
        << "\",\"fileSize\":" << listing.fileSize
        << ",\"passportLength\":" << listing.passportLength << ",\"passport\":[";
    for (std::size_t i = 0; i < listing.passportLines.size(); ++i) {
        out << (i == 0 ? "" : ",") << JsonString(listing.passportLines[i]);
    }
    out << "],\"dataSize\":" << listing.dataSize << ",\"records\":" << listing.records
        << ",\"blocks\":" << listing.blocks << ",\"blockSize\":" << listing.blockSize;
    if (listing.kind == FileKind::Recording) {
        out << ",\"partialBytes\":" << listing.partialBytes;
    } else {
        out << ",\"restoredSize\":" << listing.restoredSize;
        if (const auto ratio = Ratio(listing)) {
            out << ",\"ratio\":" << std::setprecision(6) << *ratio << std::defaultfloat;
        }
        if (listing.cutShortBlock) {
            out << ",\"cutShortBlock\":" << *listing.cutShortBlock + 1;
        }
    }
    out << "}\n";
}

}  // namespace kvo::cli
