#include "convert/dataarea.h"

#include <string>

#include "convert/converterror.h"
#include "platform/russiancount.h"

namespace kvo {

std::uint64_t DataAreaSize(const FileStream& source, std::uint32_t passportLength) {
    const std::uint64_t size = source.size();
    if (size < passportLength) {
        throw ConvertError(ConvertError::Kind::Io,
                           "Файл " + source.path() +
                               " короче своего паспорта: " + CountOf(size, kByteForms) +
                               ", а длина паспорта " + std::to_string(passportLength));
    }
    return size - passportLength;
}

}  // namespace kvo
