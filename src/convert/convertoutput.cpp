#include "convert/convertoutput.h"

namespace kvo {

ConvertOutput::ConvertOutput(const std::string& targetPath, const RunOptions& options,
                             const FileStream& source)
    : fFile(targetPath, options.existingTarget), fExisting(options.existingTarget) {
    if (options.keepSourceMetadata) {
        fFile.keepMetadataOf(source);
    }
    if (!options.checksum) {
        return;
    }
    if (fFile.writesDirectly()) {
        throw ConvertError(ConvertError::Kind::Refused,
                           "Контрольную сумму нельзя записать рядом с " + targetPath +
                               ": это устройство или канал, а не файл");
    }
    fHash = std::make_unique<Sha256>();
    fFile.stream().setWriteObserver(
        [hash = fHash.get()](const std::uint8_t* data, std::size_t count) {
            hash->update(data, count);
        });
}

std::optional<std::string> ConvertOutput::commit() {
    if (!fHash) {
        fFile.commit();
        return std::nullopt;
    }
    const std::string hex = fHash->finishHex();
    SafeOutputFile checksumFile(ChecksumPathFor(fFile.targetPath()), fExisting);
    const std::string line = ChecksumLine(hex, fFile.targetPath());
    checksumFile.stream().write(line.data(), line.size());
    fFile.commit();
    checksumFile.commit();
    return hex;
}

}  // namespace kvo
