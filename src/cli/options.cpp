#include "cli/options.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <string_view>

#include "convert/blockplan.h"

namespace kvo::cli {
namespace {

using Setter = std::optional<std::string> (*)(Options&, const std::string& value);
using Flag = void (*)(Options&);

// A flag, or an option with a value whose setter says what is wrong with it.
struct OptionRule {
    char shortName;
    const char* longName;
    Flag flag;
    Setter value;
};

std::optional<std::string> SetBlockSize(Options& options, const std::string& value) {
    const auto size = ParseByteCount(value);
    if (!size || *size % 6 != 0 || *size < kMinBlockSize || *size > kMaxBlockSize) {
        return "размер блока должен быть кратен 6 и лежать в пределах от " +
               std::to_string(kMinBlockSize) + " до " + std::to_string(kMaxBlockSize) +
               " байт: " + value;
    }
    options.blockSize = size;
    return std::nullopt;
}

std::optional<std::string> SetThreads(Options& options, const std::string& value) {
    unsigned threads = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), threads);
    if (error != std::errc() || end != value.data() + value.size() || threads > 1024) {
        return "число потоков должно быть от 0 (все ядра) до 1024: " + value;
    }
    options.threads = threads;
    return std::nullopt;
}

std::optional<std::string> SetOutput(Options& options, const std::string& value) {
    options.output = value;
    return std::nullopt;
}

const std::vector<OptionRule>& Rules() {
    static const std::vector<OptionRule> rules{
        {'z', "compress", [](Options& o) { o.direction = Direction::Compress; }, nullptr},
        {'d', "restore", [](Options& o) { o.direction = Direction::Restore; }, nullptr},
        {'o', "output", nullptr, SetOutput},
        {'f', "force", [](Options& o) { o.force = true; }, nullptr},
        {'b', "block-size", nullptr, SetBlockSize},
        {'t', "test", [](Options& o) { o.action = Action::Test; }, nullptr},
        {'l', "list", [](Options& o) { o.action = Action::List; }, nullptr},
        {'\0', "json", [](Options& o) { o.json = true; }, nullptr},
        {'\0', "salvage", [](Options& o) { o.action = Action::Salvage; }, nullptr},
        {'\0', "no-verify", [](Options& o) { o.verify = false; }, nullptr},
        {'\0', "checksum", [](Options& o) { o.checksum = true; }, nullptr},
        {'c', "stdout", [](Options& o) { o.toStdout = true; }, nullptr},
        {'k', "keep", [](Options&) {}, nullptr},  // the source is always kept
        {'r', "recursive", [](Options& o) { o.recursive = true; }, nullptr},
        {'T', "threads", nullptr, SetThreads},
        {'q', "quiet", [](Options& o) { o.verbosity = Verbosity::Quiet; }, nullptr},
        {'v', "verbose", [](Options& o) { o.verbosity = Verbosity::Verbose; }, nullptr},
        {'h', "help", [](Options& o) { o.help = true; }, nullptr},
        {'V', "version", [](Options& o) { o.version = true; }, nullptr},
    };
    return rules;
}

const OptionRule* FindShort(char name) {
    for (const auto& rule : Rules()) {
        if (rule.shortName == name) {
            return &rule;
        }
    }
    return nullptr;
}

const OptionRule* FindLong(const std::string& name) {
    for (const auto& rule : Rules()) {
        if (name == rule.longName) {
            return &rule;
        }
    }
    return nullptr;
}

// Two options that say opposite things; neither is allowed to win silently.
struct Contradiction {
    const char* first;
    const char* second;
    const char* why;
};

constexpr Contradiction kContradictions[] = {
    {"compress", "restore", "направление одно"},
    {"test", "list", "действие одно"},
    {"test", "salvage", "действие одно"},
    {"list", "salvage", "действие одно"},
    {"quiet", "verbose", "выберите одно"},
    {"stdout", "output", "результат идет либо в стандартный вывод, либо в файл"},
    {"test", "output", "проверка ничего не записывает"},
    {"test", "stdout", "проверка ничего не записывает"},
    {"list", "output", "сводка выводится в стандартный вывод"},
    {"list", "stdout", "сводка выводится в стандартный вывод"},
};

// Only compression writes a checksum file; asked for with other work it would silently not be.
constexpr const char* kWritesNoChecksum[] = {"restore", "test", "list", "salvage"};

// How a message names an option: its letter where it has one.
std::string Shown(const OptionRule& rule) {
    return rule.shortName != '\0' ? std::string("-") + rule.shortName
                                  : std::string("--") + rule.longName;
}

// Walks the arguments like getopt_long: bundled short flags (-zf), values attached or separate
// (-b72, -b 72, --block-size=72, --block-size 72), and "--" before names that begin with "-".
class Parser {
  public:
    explicit Parser(const std::vector<std::string>& args) : fArgs(args) {}

    std::variant<Options, UsageError> run() {
        bool optionsEnded = false;
        for (fNext = 0; fNext < fArgs.size();) {
            const std::string& arg = fArgs[fNext++];
            std::optional<std::string> error;
            if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
                fOptions.files.push_back(arg);
            } else if (arg == "--") {
                optionsEnded = true;
            } else if (arg[1] == '-') {
                error = longOption(arg.substr(2));
            } else {
                error = shortOptions(arg.substr(1));
            }
            if (error) {
                return UsageError{*error};
            }
        }
        if (auto conflict = contradiction()) {
            return UsageError{*conflict};
        }
        return fOptions;
    }

  private:
    std::optional<std::string> contradiction() const {
        const auto given = [this](const char* name) {
            return std::find_if(fGiven.begin(), fGiven.end(), [name](const OptionRule* rule) {
                       return std::string_view(rule->longName) == name;
                   }) != fGiven.end();
        };
        const auto refused = [](const char* first, const char* second, const std::string& why) {
            return Shown(*FindLong(first)) + " и " + Shown(*FindLong(second)) +
                   " несовместимы: " + why;
        };
        for (const auto& pair : kContradictions) {
            if (given(pair.first) && given(pair.second)) {
                return refused(pair.first, pair.second, pair.why);
            }
        }
        for (const char* other : kWritesNoChecksum) {
            if (given(other) && given("checksum")) {
                return refused(other, "checksum",
                               "контрольная сумма записывается только при сжатии");
            }
        }
        return std::nullopt;
    }

    std::optional<std::string> apply(const OptionRule& rule) {
        fGiven.push_back(&rule);
        rule.flag(fOptions);
        return std::nullopt;
    }

    std::optional<std::string> applyValue(const OptionRule& rule, const std::string& value) {
        fGiven.push_back(&rule);
        return rule.value(fOptions, value);
    }

    std::optional<std::string> longOption(const std::string& text) {
        const auto equals = text.find('=');
        const std::string name = text.substr(0, equals);
        const OptionRule* rule = FindLong(name);
        if (rule == nullptr) {
            return "неизвестный параметр --" + name;
        }
        if (rule->flag != nullptr) {
            if (equals != std::string::npos) {
                return "параметр --" + name + " не имеет значения";
            }
            return apply(*rule);
        }
        if (equals != std::string::npos) {
            return applyValue(*rule, text.substr(equals + 1));
        }
        return valueFor("--" + name, *rule);
    }

    std::optional<std::string> shortOptions(const std::string& letters) {
        for (std::size_t i = 0; i < letters.size(); ++i) {
            const OptionRule* rule = FindShort(letters[i]);
            if (rule == nullptr) {
                return std::string("неизвестный параметр -") + letters[i];
            }
            if (rule->value != nullptr) {
                return i + 1 < letters.size() ? applyValue(*rule, letters.substr(i + 1))
                                              : valueFor(std::string("-") + letters[i], *rule);
            }
            apply(*rule);
        }
        return std::nullopt;
    }

    std::optional<std::string> valueFor(const std::string& shown, const OptionRule& rule) {
        if (fNext >= fArgs.size()) {
            return "параметру " + shown + " нужно значение";
        }
        return applyValue(rule, fArgs[fNext++]);
    }

    const std::vector<std::string>& fArgs;
    std::size_t fNext = 0;
    Options fOptions;
    std::vector<const OptionRule*> fGiven;
};

// Only a listing and a salvage report are printed as JSON; anywhere else --json would be ignored.
bool HasJsonForm(Action action) {
    return action == Action::List || action == Action::Salvage;
}

}  // namespace

std::variant<Options, UsageError> ParseOptions(const std::vector<std::string>& args) {
    auto parsed = Parser(args).run();
    const auto* options = std::get_if<Options>(&parsed);
    if (options != nullptr && options->json && !HasJsonForm(options->action)) {
        return UsageError{"--json выводит только сводку -l и отчет --salvage"};
    }
    return parsed;
}

std::optional<std::uint64_t> ParseByteCount(const std::string& text) {
    std::uint64_t value = 0;
    const char* const end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || rest == text.data()) {
        return std::nullopt;
    }
    static const std::map<char, unsigned> shifts{{'k', 10}, {'K', 10}, {'m', 20},
                                                 {'M', 20}, {'g', 30}, {'G', 30}};
    if (rest == end) {
        return value;
    }
    const auto shift = shifts.find(*rest);
    if (rest + 1 != end || shift == shifts.end() || value > (UINT64_MAX >> shift->second)) {
        return std::nullopt;
    }
    return value << shift->second;
}

}  // namespace kvo::cli
