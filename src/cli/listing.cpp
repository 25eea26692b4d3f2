#include "cli/listing.h"

#include <cstdio>
#include <iomanip>

#include "cli/outputtext.h"
#include "convert/blockplan.h"
#include "model/fileformat.h"
#include "platform/russiancount.h"

namespace kvo::cli {
namespace {

std::string DateTimeText(const CivilDateTime& time) {
    char text[40];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d  %02d:%02d:%02d", time.day, time.month,
                  time.year, time.hour, time.minute, time.second);
    return text;
}

// Compressed size over restored size, or nothing when there is nothing to compare or the file
// is damaged (what lies behind the damaged block is unknown).
std::optional<double> Ratio(const Listing& listing) {
    if (listing.kind == FileKind::Recording || listing.restoredSize == 0 || listing.damaged) {
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
    listing.passportLines = readPassportLines(source, listing.passportLength, DateTimeText);
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
        listing.damaged = stored.damaged;
    }
    source.seek(0);
    return listing;
}

void PrintListing(std::ostream& out, const Listing& listing) {
    const bool recording = listing.kind == FileKind::Recording;
    out << "Файл " << VisibleText(listing.path) << (recording ? " (исходный)" : " (сжатый)")
        << '\n';
    for (const auto& line : listing.passportLines) {
        out << "  " << VisibleText(line) << '\n';
    }
    out << "Размер = " << listing.fileSize << ", паспорт = " << listing.passportLength
        << ", данные = " << listing.dataSize << '\n';
    out << "Записей = " << listing.records << ", блоков = " << listing.blocks
        << ", размер блока = " << listing.blockSize << '\n';
    if (recording) {
        if (listing.partialBytes != 0) {
            out << "Неполная запись в конце: " << CountOf(listing.partialBytes, kByteForms) << '\n';
        }
        return;
    }
    out << "Восстановленный размер = " << listing.restoredSize;
    if (const auto ratio = Ratio(listing)) {
        out << ", степень сжатия = " << std::fixed << std::setprecision(1) << *ratio * 100.0 << '%'
            << std::defaultfloat;
    }
    out << '\n';
    if (listing.damaged) {
        out << "Блок " << listing.damaged->index + 1 << ' ' << listing.damaged->reason << '\n';
    }
}

void PrintListingJson(std::ostream& out, const Listing& listing) {
    out << "{\"file\":" << JsonString(listing.path) << ",\"kind\":\""
        << (listing.kind == FileKind::Recording ? "recording" : "compressed")
        << "\",\"file_size\":" << listing.fileSize
        << ",\"passport_length\":" << listing.passportLength << ",\"passport\":[";
    for (std::size_t i = 0; i < listing.passportLines.size(); ++i) {
        out << (i == 0 ? "" : ",") << JsonString(listing.passportLines[i]);
    }
    out << "],\"data_size\":" << listing.dataSize << ",\"records\":" << listing.records
        << ",\"blocks\":" << listing.blocks << ",\"block_size\":" << listing.blockSize;
    if (listing.kind == FileKind::Recording) {
        out << ",\"partial_bytes\":" << listing.partialBytes;
    } else {
        out << ",\"restored_size\":" << listing.restoredSize;
        if (const auto ratio = Ratio(listing)) {
            out << ",\"ratio\":" << std::setprecision(6) << *ratio << std::defaultfloat;
        }
        if (const auto& damaged = listing.damaged) {
            out << ",\"damaged_block\":" << damaged->index + 1
                << ",\"damage\":" << JsonString(damaged->reason);
            if (damaged->cutShort) {
                out << ",\"cut_short_block\":" << damaged->index + 1;
            }
        }
    }
    out << "}\n";
}

}  // namespace kvo::cli
