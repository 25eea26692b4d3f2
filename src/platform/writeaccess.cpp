#include "platform/writeaccess.h"

namespace kvo {

std::string WriteProtectedText(const std::string& path) {
    return "Файл " + path + " защищен от записи: заменить его нельзя";
}

}  // namespace kvo
