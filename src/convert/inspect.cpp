#include "convert/inspect.h"

#include <algorithm>
#include <array>

#include "codec/block_format.h"
#include "convert/converterror.h"
#include "convert/storedblocks.h"
#include "model/fileformat.h"
#include "platform/russiancount.h"

namespace kvo {
namespace {

constexpr int kMaxDivisor = 100;

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t extensionStart(std::string_view path) {
    const std::size_t nameStart = path.find_last_of('/') + 1;  // npos + 1 is 0
    const std::size_t dot = path.find_last_of('.');
    return dot != std::string_view::npos && dot >= nameStart ? dot : path.size();
}

[[noreturn]] void refuse(const std::string& message) {
    throw ConvertError(ConvertError::Kind::Refused, message);
}

std::uint32_t readPassportLength(FileStream& source, std::uint64_t fileSize) {
    if (fileSize >= kMaxInspectedFileSize) {
        refuse("Файл " + source.path() + " слишком велик (" + CountOf(fileSize, kByteForms) +
               "): обрабатываются файлы меньше 2 ГиБ");
    }
    return ReadPassportLength(source);
}

// The length word that opens the first block is twice its record count. The block size is an
// unsigned 32-bit value, as the format's own is: a word above 2 x 715827882 wraps.
std::uint32_t firstBlockSize(FileStream& source, std::uint32_t passportLength) {
    std::array<std::uint8_t, 4> word{};
    source.seek(passportLength);
    if (source.read(word.data(), word.size()) < word.size()) {
        return 0;  // no block behind the passport
    }
    return (codec::readU32(word.data()) >> 1) * std::uint32_t{kRecordSize};
}

void appendRecordingSummary(FileInspection& result, const std::string& path) {
    result.blockSizes = blockSizeList(result.dataSize);
    result.summaryLines.insert(
        result.summaryLines.end(),
        {"", "Сжатый файл:", "Путь " + counterpartPath(path, FileKind::Recording),
         "Размер = примерно " + std::to_string(compressedSizeEstimate(result.fileSize))});
}

void appendCompressedSummary(FileInspection& result, FileStream& source) {
    const std::string& path = source.path();
    result.blockSize = firstBlockSize(source, result.passportLength);
    result.blockSizes = {result.blockSize};
    result.summaryLines.insert(
        result.summaryLines.end(),
        {"", "Восстановленный файл:", "Путь " + counterpartPath(path, FileKind::Compressed),
         "Размер = " + std::to_string(result.passportLength) + " + " +
             std::to_string(result.blockSize) + " x N"});
}

}  // namespace

std::optional<FileKind> fileKindOf(std::string_view path) {
    const std::string_view extension = path.substr(extensionStart(path));
    const auto is = [extension](std::string_view wanted) {
        return std::equal(extension.begin(), extension.end(), wanted.begin(), wanted.end(),
                          [](char a, char b) { return asciiLower(a) == b; });
    };
    if (is(".kvo")) {
        return FileKind::Recording;
    }
    if (is(".kvox")) {
        return FileKind::Compressed;
    }
    return std::nullopt;
}

std::string counterpartPath(std::string_view path, FileKind kind) {
    if (fileKindOf(path) != kind) {
        return std::string(path) + (kind == FileKind::Recording ? ".kvox" : ".kvo");
    }
    if (kind == FileKind::Compressed) {
        return std::string(path.substr(0, path.size() - 1));  // the x goes
    }
    const bool upperO = path.back() == 'O';
    return std::string(path) + (upperO ? 'X' : 'x');
}

std::vector<std::uint64_t> blockSizeList(std::int64_t dataSize) {
    const auto records = static_cast<std::uint64_t>(dataSize > 0 ? dataSize : 0) / kRecordSize;
    std::vector<std::uint64_t> sizes;
    for (std::uint64_t i = 1; i <= kMaxDivisor; ++i) {
        if (records % i == 0) {
            sizes.push_back(records / i * kRecordSize);
        }
    }
    return sizes;
}

std::uint64_t compressedSizeEstimate(std::uint64_t fileSize) {
    return fileSize / 500 * 200;
}

FileInspection inspectFile(FileStream& source, FileKind kind,
                           const DateTimeFormatter& formatDateTime) {
    FileInspection result;
    result.kind = kind;
    result.fileSize = source.size();
    result.passportLength = readPassportLength(source, result.fileSize);
    result.passportLines = readPassportLines(source, result.passportLength, formatDateTime);
    result.summaryLines = {"Исходный файл:", "Путь " + source.path(),
                           "Размер = " + std::to_string(result.fileSize)};
    result.dataSize = static_cast<std::int32_t>(result.fileSize - result.passportLength);
    if (kind == FileKind::Recording) {
        appendRecordingSummary(result, source.path());
    } else {
        appendCompressedSummary(result, source);
    }
    source.seek(0);
    return result;
}

}  // namespace kvo
