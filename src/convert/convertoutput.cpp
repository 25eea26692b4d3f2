#include "convert/convertoutput.h"

namespace kvo {
namespace {

[[noreturn]] void Refuse(const std::string& message) {
    throw ConvertError(ConvertError::Kind::Refused, message);
}

// Whether anything, even a link to nothing, has the name. A name that cannot exist, or that leads
// to anything but a regular file, is refused before the run writes anything: a checksum file is
// written whole beside its archive, never into a device or a pipe.
bool NameTaken(const std::string& path) {
    const NameState state = StateOfName(path);
    if (!state.unreadable.empty()) {
        Refuse("Контрольную сумму нельзя записать в " + path + ": " + state.unreadable +
               "; ничего не записано");
    }
    if (state.holds == NameHolds::Other) {
        Refuse("Контрольную сумму нельзя записать в " + path +
               ": это не обычный файл; ничего не записано");
    }
    return state.holds != NameHolds::Nothing;
}

}  // namespace

ConvertOutput::ConvertOutput(const std::string& targetPath, const RunOptions& options,
                             const FileStream& source, ChecksumBeside beside)
    : fFile(targetPath, options.existingTarget) {
    if (options.keepSourceMetadata) {
        fFile.keepMetadataOf(source);
    }
    if (options.checksum && fFile.writesDirectly()) {
        Refuse("Контрольную сумму нельзя записать рядом с " + targetPath +
               ": это устройство или канал, а не файл");
    }
    const std::string checksumPath = ChecksumPathFor(fFile.targetPath());
    const bool taken = !fFile.writesDirectly() && NameTaken(checksumPath);
    if (!options.checksum && !(taken && beside == ChecksumBeside::KeepCurrent)) {
        return;
    }
    if (taken && options.existingTarget == ExistingTarget::Keep) {
        Refuse("Файл " + checksumPath + " уже существует; ничего не записано");
    }
    fChecksumFile = std::make_unique<SafeOutputFile>(checksumPath, options.existingTarget);
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
    const std::string line = ChecksumLineFor(hex, fFile.targetPath());
    fChecksumFile->stream().write(line.data(), line.size());
    SafeOutputFile::commitBoth(fFile, *fChecksumFile);
    return hex;
}

}  // namespace kvo
