#include "convert/checksum.h"

#include <cerrno>
#include <stdexcept>
#include <vector>

#include "convert/checksumtext.h"
#include "convert/ioerrors.h"
#include "platform/fspath.h"
#include "platform/russiancount.h"

namespace kvo {
namespace {

// Names split where the system splits them: Windows takes "\\" as well as "/".
std::string BaseName(const std::string& path) {
    return Utf8Of(FsPath(path).filename());
}

[[noreturn]] void Refuse(const std::string& message) {
    throw ConvertError(ConvertError::Kind::Refused, message);
}

// The text of a checksum file, or nothing when there is none. Only a regular file is read, and
// only as much of it as a checksum file can hold: a pipe, a device or a huge file is refused
// before it can keep the run waiting or fill its memory.
std::optional<std::string> ChecksumText(const std::string& path) {
    std::optional<FileStream> file;
    try {
        file.emplace(FileStream::OpenRead(path));
    } catch (const FileError& error) {
        // A name too long to exist names no file either.
        if (error.errorCode() == ENOENT || error.errorCode() == ENAMETOOLONG) {
            return std::nullopt;
        }
        throw;
    }
    const auto tooLarge = [&path] {
        Refuse("Файл контрольной суммы " + path + " слишком велик: в нем больше " +
               CountOf(kMaxChecksumFileSize, kByteForms) + "; это не файл sha256sum");
    };
    if (file->size() > kMaxChecksumFileSize) {
        tooLarge();
    }
    // One byte more than allowed tells a file that grew meanwhile.
    std::string text(kMaxChecksumFileSize + 1, '\0');
    const std::size_t got = file->read(text.data(), text.size());
    if (got > kMaxChecksumFileSize) {
        tooLarge();
    }
    text.resize(got);
    return text;
}

}  // namespace

HashedReads::HashedReads(FileStream& source) : fSource(source) {
    fSource.setReadObserver(
        [this](const std::uint8_t* data, std::size_t count) { fHash.update(data, count); });
}

HashedReads::~HashedReads() {
    fSource.setReadObserver(nullptr);
}

std::string ChecksumPathFor(const std::string& path) {
    return path + ".sha256";
}

std::string ChecksumLineFor(const std::string& hex, const std::string& path) {
    return ChecksumLine(hex, BaseName(path));
}

std::optional<std::string> ReadChecksumFor(const FileStream& archive) {
    if (archive.path() == kStandardInput) {
        return std::nullopt;
    }
    const std::string path = ChecksumPathFor(archive.path());
    return WithIoErrors([&]() -> std::optional<std::string> {
        const auto text = ChecksumText(path);
        if (!text) {
            return std::nullopt;
        }
        // A line names the archive when its name leads to the archive from the checksum file's
        // folder, as for `sha256sum -c` run there: "./NAME" and other spellings count too.
        const FileIdentity identity = archive.identity();
        std::optional<std::string> digest;
        for (const ChecksumEntry& entry : ParseChecksumText(*text)) {
            // An absolute name stands as it is; any other is taken from the checksum's folder.
            const auto named = IdentityOf(Utf8Of(FsPath(path).parent_path() / FsPath(entry.name)));
            if (!named || !named->sameFile(identity)) {
                continue;
            }
            if (digest && *digest != entry.hex) {
                Refuse("Файл контрольной суммы " + path + " дает " + BaseName(archive.path()) +
                       " две разные суммы");
            }
            digest = entry.hex;
        }
        if (!digest) {
            Refuse("Файл контрольной суммы " + path + " не содержит строки для " +
                   BaseName(archive.path()) + ": удалите или исправьте его");
        }
        return digest;
    });
}

ConvertError ChecksumMismatchError(const std::string& path) {
    return ConvertError(ConvertError::Kind::ChecksumMismatch,
                        "Файл " + path +
                            " поврежден: контрольная сумма SHA-256 не совпадает с записанной в " +
                            ChecksumPathFor(path));
}

std::string Sha256Of(FileStream& stream) {
    Sha256 hash;
    std::vector<std::uint8_t> chunk(std::size_t{1} << 20);
    stream.seek(0);
    for (;;) {
        const std::size_t got = stream.read(chunk.data(), chunk.size());
        if (got == 0) {
            break;
        }
        hash.update(chunk.data(), got);
    }
    stream.seek(0);
    return hash.finishHex();
}

}  // namespace kvo
