#include "platform/systemerror.h"

#include <cerrno>
#include <string_view>

namespace kvo {
namespace {

// The failures a user meets when opening, reading and writing files.
std::string_view Description(int errorCode) {
    switch (errorCode) {
        case ENOENT:
            return "нет такого файла или каталога";
        case EACCES:
            return "отказано в доступе";
        case EPERM:
            return "операция не разрешена";
        case ENOSPC:
            return "нет места на устройстве";
#ifdef EDQUOT  // Windows has no errno value for a quota: its quota error is told as no space
        case EDQUOT:
            return "превышена дисковая квота";
#endif
        case EROFS:
            return "файловая система доступна только для чтения";
        case EISDIR:
            return "это каталог";
        case ENOTDIR:
            return "часть пути не является каталогом";
        case EEXIST:
            return "файл уже существует";
        case EINVAL:
            return "недопустимый аргумент";
        case EIO:
            return "ошибка ввода-вывода";
        case EMFILE:
            return "процесс открыл слишком много файлов";
        case ENFILE:
            return "в системе открыто слишком много файлов";
        case ENOMEM:
            return "недостаточно памяти";
        case EFBIG:
            return "файл слишком велик";
        case ENAMETOOLONG:
            return "слишком длинное имя файла";
        case ELOOP:
            return "слишком много уровней символических ссылок";
        case ETXTBSY:
            return "файл занят выполняемой программой";
        case EBUSY:
            return "устройство или ресурс заняты";
        case EXDEV:
            return "файлы на разных файловых системах";
        case EFAULT:
            return "неверный адрес";
        case EPIPE:
            return "канал закрыт читающей стороной";
        case EAGAIN:
            return "ресурс временно недоступен";
        case EINTR:
            return "вызов прерван сигналом";
        case EBADF:
            return "неверный дескриптор файла";
        case ENXIO:
            return "нет такого устройства или адреса";
        case ENODEV:
            return "нет такого устройства";
        case ESPIPE:
            return "позиционирование невозможно";
        case EOVERFLOW:
            return "значение слишком велико для типа данных";
#ifdef ESTALE  // a network file system's fault that Windows reports otherwise
        case ESTALE:
            return "устаревший дескриптор файла";
#endif
        default:
            return "неизвестная системная ошибка";
    }
}

}  // namespace

std::string SystemErrorText(int errorCode) {
    return ReasonWithNumber(errorCode, errorCode);
}

std::string ReasonWithNumber(int errnoValue, long long shownNumber) {
    return std::string(Description(errnoValue)) + " (ошибка " + std::to_string(shownNumber) + ")";
}

}  // namespace kvo
