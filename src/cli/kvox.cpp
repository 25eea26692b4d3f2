#include "cli/kvox.h"

#include <thread>
#include <variant>

#include "cli/filejob.h"
#include "cli/options.h"
#include "platform/interruption.h"

namespace kvo::cli {
namespace {

constexpr char kHelp[] =
    R"(Использование: kvox [ПАРАМЕТРЫ] ФАЙЛ...
Сжимает записи .kvo в .kvox и восстанавливает .kvox в .kvo рядом с исходным файлом.
Направление выбирается по расширению; исходный файл не изменяется и не удаляется.

  -z, --compress         сжимать, каким бы ни было расширение
  -d, --restore          восстанавливать, каким бы ни было расширение
  -o, --output ПУТЬ      файл результата (только для одного входного файла)
  -f, --force            заменять существующий файл результата
  -b, --block-size БАЙТ  размер блока: кратен 6, не меньше 72 (суффиксы k, m, g);
                         по умолчанию все данные одним блоком, если их не больше 64 МиБ,
                         иначе равные блоки не больше 64 МиБ
  -t, --test             проверить сжатый файл, ничего не записывая
  -l, --list             показать паспорт и сводку файла
      --json             сводку -l в формате JSON
  -T, --threads N        число потоков (0 или по умолчанию: все ядра)
  -q, --quiet            без предупреждений и хода работы
  -v, --verbose          сообщать размеры и скорость
  -h, --help             эта справка
  -V, --version          версия программы

Код завершения: 0 успех, 1 ошибка, 2 только предупреждения.
)";

int Usage(const Console& console, const std::string& message) {
    console.err << "kvox: " << message << "\nПодробнее: kvox --help\n";
    return kExitError;
}

// Success only when what was printed reached standard output (a full disk, a closed pipe).
int Printed(const Console& console) {
    if (!console.out.flush()) {
        console.err << "kvox: не удалось записать в стандартный вывод\n";
        return kExitError;
    }
    return kExitSuccess;
}

}  // namespace

int RunKvox(const std::vector<std::string>& args, const Console& console) {
    const auto parsed = ParseOptions(args);
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        return Usage(console, error->message);
    }
    const Options& options = std::get<Options>(parsed);
    if (options.help) {
        console.out << kHelp;
        return Printed(console);
    }
    if (options.version) {
        console.out << "kvox " << KVO_VERSION << '\n';
        return Printed(console);
    }
    if (options.files.empty()) {
        return Usage(console, "не указаны файлы");
    }
    if (options.output && options.files.size() != 1) {
        return Usage(console, "-o можно указать только для одного файла");
    }
    const unsigned threads =
        options.threads != 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());

    const InterruptionGuard guard;
    int status = kExitSuccess;
    for (const auto& file : options.files) {
        switch (ProcessFile(file, options, threads, console)) {
            case Outcome::Failed:
                status = kExitError;
                break;
            case Outcome::Warned:
                status = status == kExitSuccess ? kExitWarning : status;
                break;
            case Outcome::Done:
                break;
        }
        if (Interrupted()) {
            return kExitError;  // the files after this one are left alone
        }
    }
    return status;
}

}  // namespace kvo::cli
