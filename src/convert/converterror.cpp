#include "convert/converterror.h"

#include <utility>

namespace kvo {

ConvertError::ConvertError(Kind kind, const std::string& message, std::uint64_t blockIndex)
    : std::runtime_error(message), fKind(kind), fBlockIndex(blockIndex) {}

ConvertError::ConvertError(const std::string& message, SystemCause cause)
    : std::runtime_error(message), fKind(Kind::Io), fBlockIndex(0), fCause(std::move(cause)) {}

ConvertError DamagedBlockError(const std::string& path, std::uint64_t index, BlockDamage damage) {
    return DamagedBlockError(path, index,
                             damage == BlockDamage::CutShort
                                 ? "обрывается в конце файла"
                                 : "не восстанавливается (распаковка не состоялась)");
}

ConvertError DamagedBlockError(const std::string& path, std::uint64_t index,
                               const std::string& why) {
    return ConvertError(
        ConvertError::Kind::Damaged,
        "Файл " + path + " поврежден: блок " + std::to_string(index + 1) + " " + why, index);
}

}  // namespace kvo
