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
  -t, --test             проверить сжатый файл, ничего не записывая (и его контрольную
                         сумму, если рядом есть ФАЙЛ.sha256)
  -l, --list             показать паспорт и сводку файла
      --json             сводку -l или --salvage в формате JSON
      --salvage          сохранить из поврежденного .kvox все блоки, что восстанавливаются;
                         пробелы перечисляются, код 2, если что-то потеряно
      --checksum         при сжатии записать и ФАЙЛ.kvox.sha256 (проверяется sha256sum -c)
      --no-verify        не проверять сжатые блоки и записанный файл перед сохранением
  -T, --threads N        число потоков (0 или по умолчанию: все ядра)
  -q, --quiet            без предупреждений и хода работы
  -v, --verbose          сообщать размеры и скорость
  -h, --help             эта справка
  -V, --version          версия программы

Сжатие по умолчанию проверяет каждый блок: он восстанавливается в исходные записи, а
записанный файл читается блок за блоком до конца, и только тогда получает свое имя.
Входные файлы запуска никогда не перезаписываются.

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

    RunContext context{options, threads, {}};
    for (const auto& file : options.files) {
        if (const auto identity = IdentityOf(file)) {
            context.inputs.push_back(*identity);
        }
    }

    const InterruptionGuard guard;
    int status = kExitSuccess;
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        switch (ProcessFile(options.files[i], context, console)) {
            case Outcome::Failed:
                status = kExitError;
                break;
            case Outcome::Warned:
                status = status == kExitSuccess ? kExitWarning : status;
                break;
            case Outcome::Done:
                break;
        }
        // A file finished before the request is kept and counted as it ended; the rest wait.
        if (Interrupted() && i + 1 < options.files.size()) {
            console.err << "kvox: прервано: файлы после " << options.files[i] << " не обработаны\n";
            return kExitError;
        }
    }
    return status;
}

}  // namespace kvo::cli
