#include "cli/kvox.h"

#include <thread>
#include <variant>

#include "cli/filejob.h"
#include "cli/inputfiles.h"
#include "cli/options.h"
#include "cli/outputtext.h"
#include "cli/reporter.h"
#include "platform/buildrevision.h"
#include "platform/interruption.h"

namespace kvo::cli {
namespace {

constexpr char kHelp[] =
    R"(Использование: kvox [ПАРАМЕТРЫ] [ФАЙЛ...]
Сжимает записи .kvo в .kvox и восстанавливает .kvox в .kvo рядом с исходным файлом.
Направление выбирается по расширению; исходный файл не изменяется и не удаляется, а
результат получает его права доступа и время изменения. ФАЙЛ «-» или отсутствие файлов
при -z или -d означает стандартный ввод; результат тогда идет в стандартный вывод.

  -z, --compress         сжимать, каким бы ни было расширение
  -d, --restore          восстанавливать, каким бы ни было расширение
  -o, --output ПУТЬ      файл результата (только для одного входного файла)
  -c, --stdout           результат в стандартный вывод (сжатые данные — не на терминал)
  -k, --keep             сохранить исходный файл (он сохраняется всегда)
  -r, --recursive        папки: все файлы .kvo/.kvox в них и во вложенных папках
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
  -T, --threads N        число потоков (0 или по умолчанию: все ядра); блоки в работе
                         занимают не больше четверти памяти машины и не больше 1 ГиБ,
                         сколько бы потоков ни было задано
  -q, --quiet            без предупреждений и хода работы
  -v, --verbose          сообщать размеры и скорость
  -h, --help             эта справка
  -V, --version          версия программы

Сжатие по умолчанию проверяет каждый блок: он восстанавливается в исходные записи, а
записанный файл читается блок за блоком до конца, и только тогда получает свое имя.
Входные файлы запуска никогда не перезаписываются.

Код завершения:
  0  все файлы обработаны без замечаний;
  1  ошибка хотя бы с одним файлом (ничего не записано для него) или неверные параметры;
  2  только предупреждения: например, неполная последняя запись не сохранена, или
     --salvage сохранил не всё.
)";

int Usage(const Console& console, const std::string& message) {
    console.err << "kvox: " << VisibleText(message) << "\nПодробнее: kvox --help\n";
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
        console.out << "kvox " << KVO_VERSION << " (ревизия " << BuildRevision() << ")\n";
        return Printed(console);
    }
    const auto listed = InputFiles(options);
    if (const auto* error = std::get_if<UsageError>(&listed)) {
        return Usage(console, error->message);
    }
    const auto& [files, findings] = std::get<InputFileList>(listed);
    if (options.output && files.size() != 1) {
        return Usage(console, "-o можно указать только для одного файла");
    }
    if (options.toStdout && files.size() != 1) {
        return Usage(console, "-c можно указать только для одного файла");
    }
    const unsigned threads =
        options.threads != 0 ? options.threads : std::max(1u, std::thread::hardware_concurrency());

    RunContext context{options, threads, {}, console.outIsTerminal};
    for (const auto& file : files) {
        if (const auto identity = file == kStandardInputName ? std::nullopt : IdentityOf(file)) {
            context.inputs.push_back(*identity);
        }
    }

    int status = kExitSuccess;
    const auto count = [&status](Outcome outcome) {
        switch (outcome) {
            case Outcome::Failed:
                status = kExitError;
                break;
            case Outcome::Warned:
                status = status == kExitSuccess ? kExitWarning : status;
                break;
            case Outcome::Done:
                break;
        }
    };
    for (const WalkFinding& finding : findings) {
        Reporter reporter(finding.path, options, console);
        if (finding.error) {
            count(reporter.fail(finding.message));
        } else {
            reporter.warn(finding.message);
            count(reporter.outcome());
        }
    }

    const InterruptionGuard guard;
    for (std::size_t i = 0; i < files.size(); ++i) {
        count(ProcessFile(files[i], context, console));
        // A file finished before the request is kept and counted as it ended; the rest wait.
        if (Interrupted() && i + 1 < files.size()) {
            console.err << "kvox: прервано: файлы после " << VisibleText(files[i])
                        << " не обработаны\n";
            return kExitError;
        }
    }
    return status;
}

}  // namespace kvo::cli
