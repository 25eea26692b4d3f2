// The main window's decisions without a window toolkit: Open, Compress, Restore, the passport
// window and closing, seen through a recording view.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "formtesting.h"

namespace kvo::test {
namespace {

TEST(FormController, OpensARecordingForCompressOnly) {
    Form f;
    const auto path = cleanFolder("ctl-open-recording") / "run.kvo";
    writeBytes(path, plainRecording(6000));
    f.open(path);

    EXPECT_EQ(f.view.lastFilter,
              "Noncompressed files(*.kvo)|*.kvo| Compressed files(*.kvo\u0445)|*.kvox|"
              "All files(*.*)|*.*");
    EXPECT_TRUE(f.view.errors.empty());
    const std::string p = path.string();
    EXPECT_EQ(f.view.summary, (Lines{"Исходный файл:", "Путь " + p, "Размер = 6024", "",
                                     "Сжатый файл:", "Путь " + p + "x", "Размер = примерно 2400"}));
    EXPECT_EQ(f.view.passport,
              (Lines{"RecKvo", "Длина паспорта = 24", "Плата = М666", "Число каналов = 0",
                     "Датирование = " + kStartTime, "част.дискр.аналог.кан. = 0"}));
    EXPECT_EQ(f.view.blockSizes, (Lines{"6000", "3000", "1500", "1200", "750", "600", "300", "240",
                                        "150", "120", "60"}));
    EXPECT_TRUE(f.view.blockSizesEnabled);
    EXPECT_TRUE(f.view.compressEnabled);
    EXPECT_FALSE(f.view.restoreEnabled);
    EXPECT_EQ(f.view.progressMaximum, 6024);
    EXPECT_EQ(f.view.progress, 0);
    EXPECT_FALSE(f.controller.session().SourceClosed());

    // A recording without a whole record offers a hundred zeros; a second Open replaces the list.
    const auto tiny = path.parent_path() / "tiny.kvo";
    writeBytes(tiny, plainRecording(5));
    f.open(tiny);
    EXPECT_EQ(f.view.blockSizes, Lines(100, "0"));
    EXPECT_EQ(f.view.summary.size(), 7u);
}

TEST(FormController, OpensACompressedFileForRestoreOnly) {
    Form f;
    const auto path = cleanFolder("ctl-open-compressed") / "run.kvox";
    Bytes file = plainRecording(0);
    file.insert(file.end(), {0xD1, 0x07, 0, 0});  // 2001: the odd bit is dropped
    writeBytes(path, file);
    f.open(path);
    const std::string p = path.string();
    EXPECT_EQ(Lines(f.view.summary.begin() + 3, f.view.summary.end()),
              (Lines{"", "Восстановленный файл:", "Путь " + p.substr(0, p.size() - 1),
                     "Размер = 24 + 6000 x N"}));
    EXPECT_EQ(f.view.blockSizes, Lines{"6000"});
    EXPECT_FALSE(f.view.blockSizesEnabled);
    EXPECT_FALSE(f.view.compressEnabled);
    EXPECT_TRUE(f.view.restoreEnabled);
}

TEST(FormController, ControlCharactersInPassportTextsCannotForgeLines) {
    Form f;
    const auto path = cleanFolder("ctl-forged") / "run.kvo";
    // "A", line feed, "Датирование = 01.01.2000" in Windows-1251, carriage return, an escape.
    const std::string mark =
        "A\n\xC4\xE0\xF2\xE8\xF0\xEE\xE2\xE0\xED\xE8\xE5 = 01.01.2000\r\x1b[2J";
    Bytes file = {'R', 'e', 'c', '\n', 'v', 'o', 0, 0, 0, 0, 1, 0, 1, 0, 7, 0, 0x2B};
    file.push_back(static_cast<std::uint8_t>(mark.size()));
    file.insert(file.end(), mark.begin(), mark.end());
    file.insert(file.end(), {4, 0, 0, 0, 0, 0, 0, 0, 0x59, 0x40, 0, 0});
    file[6] = static_cast<std::uint8_t>(file.size());
    writeBytes(path, file);
    f.open(path);
    EXPECT_EQ(f.view.passport,
              (Lines{"Rec\\x0Avo", "Длина паспорта = " + std::to_string(file.size()), "Плата = М1",
                     "Число каналов = 1",
                     "Канал 7  Ку/Кд =  3/5  Имя отм. A\\x0AДатирование = "
                     "01.01.2000\\x0D\\x1B[2J  Тип Оборотный",
                     "Датирование = " + kStartTime, "част.дискр.аналог.кан. = 0"}));
}

TEST(FormController, RejectedOrCancelledOpenHoldsNothingAndKeepsTheTexts) {
    Form f;
    const auto folder = cleanFolder("ctl-open-rejected");
    writeBytes(folder / "a.kvo", plainRecording(72));
    writeBytes(folder / "DATA.KVO.bak", plainRecording(72));
    f.open(folder / "a.kvo");
    const Lines shown = f.view.summary;

    f.open(folder / "DATA.KVO.bak");
    EXPECT_TRUE(f.controller.session().SourceClosed());
    EXPECT_FALSE(f.view.compressEnabled);
    EXPECT_FALSE(f.view.restoreEnabled);
    EXPECT_EQ(f.view.summary, shown);
    EXPECT_EQ(f.view.blockSizes.size(), 6u);

    f.open(folder / "a.kvo");
    f.view.setNextFile(std::nullopt);
    f.controller.openCommand();
    EXPECT_TRUE(f.controller.session().SourceClosed());
    EXPECT_FALSE(f.view.compressEnabled);
    EXPECT_TRUE(f.view.errors.empty());
}

TEST(FormController, UnreadableFilesEndInTheErrorBoxWithNothingHeld) {
    Form f;
    const auto folder = cleanFolder("ctl-open-bad");
    writeBytes(folder / "good.kvo", plainRecording(60));
    Bytes longPassport = plainRecording(60);
    longPassport[6] = 0xFF;  // PassportLength 255 > 84 bytes of file
    writeBytes(folder / "long.kvo", longPassport);
    writeBytes(folder / "short.kvox", Bytes{'R', 'e', 'c'});

    for (const char* bad : {"long.kvo", "short.kvox", "missing.kvo"}) {
        f.open(folder / "good.kvo");
        const Lines shown = f.view.passport;
        f.open(folder / bad);
        ASSERT_EQ(f.view.errors.size(), 1u) << bad;
        EXPECT_TRUE(contains(f.view.errors.back(), bad)) << f.view.errors.back();
        EXPECT_TRUE(f.controller.session().SourceClosed()) << bad;
        EXPECT_FALSE(f.view.compressEnabled) << bad;
        EXPECT_FALSE(f.view.restoreEnabled) << bad;
        EXPECT_EQ(f.view.passport, shown) << bad;
        f.view.errors.clear();
    }
}

TEST(FormController, StartPutsEveryControlInItsFirstState) {
    Form f;
    f.view.summary = {"old"};
    f.view.passport = {"old"};
    f.view.blockSizes = {"6"};
    f.view.blockSizesEnabled = f.view.compressEnabled = f.view.restoreEnabled = true;
    f.view.progressMaximum = 7;
    f.view.progress = 3;
    f.controller.start();
    EXPECT_EQ(f.view.summary, Lines{"Преобразуемый файл:"});
    EXPECT_EQ(f.view.passport, Lines{"Memo1"});
    EXPECT_TRUE(f.view.blockSizes.empty());
    EXPECT_FALSE(f.view.blockSizesEnabled);
    EXPECT_FALSE(f.view.compressEnabled);
    EXPECT_FALSE(f.view.restoreEnabled);
    EXPECT_EQ(f.view.progressMaximum, 100);
    EXPECT_EQ(f.view.progress, 0);
    EXPECT_TRUE(f.controller.session().SourceClosed());
}

// The working folder for one test, given back at its end.
class WorkingFolder {
  public:
    explicit WorkingFolder(const std::filesystem::path& folder)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(previous_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

  private:
    std::filesystem::path previous_;
};

TEST(FormController, TheArgumentIsTakenFromTheWorkingFolder) {
    Form f;
    const auto folder = std::filesystem::canonical(cleanFolder("ctl-argument"));
    std::filesystem::create_directories(folder / "sub");
    writeBytes(folder / "run.kvo", plainRecording(600));
    const std::string full = (folder / "run.kvo").lexically_normal().string();
    const std::string expected = "Путь " + full;
    const WorkingFolder inside(folder / "sub");
    for (const std::string name : {"../run.kvo", "./../sub/.././run.kvo", "../sub/../run.kvo"}) {
        f.view.summary.clear();
        f.controller.openArgument(name);
        ASSERT_EQ(f.view.summary.size(), 7u) << name;
        EXPECT_EQ(f.view.summary[1], expected) << name;
        EXPECT_EQ(f.controller.session().sourcePath(), full) << name;
    }
    // A plain name; then folders, which have no extension and open nothing.
    const WorkingFolder top(folder);
    f.controller.openArgument("run.kvo");
    EXPECT_EQ(f.view.summary[1], expected);
    for (const std::string name : {".", "..", "sub/.."}) {
        f.controller.openArgument(name);
        EXPECT_TRUE(f.controller.session().SourceClosed()) << name;
        EXPECT_TRUE(f.view.errors.empty()) << name;
    }
}

TEST(FormController, PassportWindowAndClosing) {
    Form f;
    f.controller.headCommand();
    EXPECT_EQ(f.view.passportShown, 1);
    EXPECT_EQ(f.view.passport, Lines{"Memo1"});

    const auto path = cleanFolder("ctl-close") / "run.kvo";
    writeBytes(path, plainRecording(600));
    f.open(path);
    EXPECT_TRUE(f.controller.closeQuery());
    f.controller.closed();
    EXPECT_EQ(f.view.beeps, 1);
    EXPECT_TRUE(f.controller.session().SourceClosed());
    EXPECT_TRUE(f.controller.session().TargetClosed());
}

TEST(FormController, CompressAndRestoreAskFirstAndComeBackByteForByte) {
    Form f;
    const auto folder = cleanFolder("ctl-round-trip");
    const Bytes original = plainRecording(3600);
    writeBytes(folder / "rec.kvo", original);

    f.compress(folder / "rec.kvo", "", false);
    EXPECT_EQ(f.view.questions,
              (std::vector<Box>{{(folder / "rec.kvox").string(), kPromptCaption}}));
    EXPECT_EQ(f.view.runs, 0);
    EXPECT_FALSE(std::filesystem::exists(folder / "rec.kvox"));
    EXPECT_FALSE(f.view.blockSizesEnabled);

    f.compress(folder / "rec.kvo", "600");
    EXPECT_TRUE(f.view.errors.empty()) << f.view.errors.front();
    EXPECT_EQ(f.view.progress, static_cast<std::int32_t>(original.size()));
    EXPECT_FALSE(f.view.blockSizesEnabled);
    EXPECT_TRUE(f.view.compressEnabled);
    EXPECT_TRUE(f.controller.session().TargetClosed());

    std::filesystem::remove(folder / "rec.kvo");
    f.restore(folder / "rec.kvox");
    EXPECT_EQ(f.view.questions.back().text, (folder / "rec.kvo").string());
    EXPECT_TRUE(f.view.errors.empty());
    EXPECT_TRUE(f.view.messages.empty());
    EXPECT_EQ(f.view.progress, f.view.progressMaximum);
    EXPECT_TRUE(readBytes(folder / "rec.kvo") == original);
}

TEST(FormController, TrailingPartialRecordIsReportedAndNotCarried) {
    Form f;
    const auto folder = cleanFolder("ctl-trailing");
    const Bytes original = plainRecording(6005);
    writeBytes(folder / "odd.kvo", original);
    f.compress(folder / "odd.kvo", "6000");
    EXPECT_EQ(f.view.summary.back(), "Не записаны последние 5 байт данных (неполная запись)");
    EXPECT_EQ(f.view.progress, 24 + 6000);

    f.restore(folder / "odd.kvox");
    EXPECT_TRUE(readBytes(folder / "odd.kvo") == Bytes(original.begin(), original.end() - 5));

    writeBytes(folder / "one.kvo", plainRecording(6001));
    f.compress(folder / "one.kvo", "6000");
    EXPECT_EQ(f.view.summary.back(), "Не записан последний 1 байт данных (неполная запись)");
}

TEST(FormController, EmptyDataAreaGivesThePassportAlone) {
    Form f;
    const auto folder = cleanFolder("ctl-empty");
    const auto source = folder / "empty.kvo";
    writeBytes(source, plainRecording(0));
    f.compress(source, "");
    EXPECT_EQ(f.view.messages, (std::vector<Box>{{"Файл не содержит данных", "Ошибка"}}));
    EXPECT_EQ(readBytes(folder / "empty.kvox"), plainRecording(0));

    std::filesystem::remove(source);
    f.restore(folder / "empty.kvox");
    EXPECT_EQ(f.view.messages.size(), 1u);
    EXPECT_EQ(readBytes(source), plainRecording(0));

    // One to five data bytes hold no record: every item is 0, and the run is refused.
    writeBytes(source, plainRecording(3));
    f.compress(source, "0");
    EXPECT_EQ(f.view.errors.size(), 1u);
    EXPECT_EQ(readBytes(folder / "empty.kvox"), plainRecording(0));
}

TEST(FormController, ADamagedFileNamesItsBlockAndRestoresNothing) {
    Form f;
    const auto folder = cleanFolder("ctl-damaged");
    writeBytes(folder / "rec.kvo", plainRecording(3600));
    f.compress(folder / "rec.kvo", "1200");  // three blocks
    const Bytes packed = readBytes(folder / "rec.kvox");
    writeBytes(folder / "cut.kvox", Bytes(packed.begin(), packed.end() - 7));

    f.restore(folder / "cut.kvox");
    EXPECT_EQ(f.view.summary.back(),
              "Поврежден блок 3; уцелевшие блоки сохранит команда "
              "kvox --salvage " +
                  (folder / "cut.kvox").string());
    EXPECT_EQ(f.view.messages, (std::vector<Box>{{"распаковка не состоялась", "файл поврежден"}}));
    EXPECT_TRUE(f.view.errors.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "cut.kvo"));
    EXPECT_TRUE(f.controller.session().TargetClosed());
}

// A file offered while a run goes on (dropped, or named by a second start) is not taken: the run
// holds the source it reads.
TEST(FormController, NoFileIsTakenWhileACommandRuns) {
    Form f;
    const auto folder = cleanFolder("ctl-busy");
    writeBytes(folder / "a.kvo", plainRecording(600));
    writeBytes(folder / "b.kvo", plainRecording(1200));
    f.open(folder / "a.kvo");
    f.view.duringRun = [&] {
        EXPECT_TRUE(f.controller.commandRunning());
        f.controller.openPath((folder / "b.kvo").string());
    };
    f.view.setNextAnswer(true);
    f.controller.compressCommand();
    EXPECT_TRUE(f.view.errors.empty());
    EXPECT_EQ(f.view.summary[1], "Путь " + (folder / "a.kvo").string());
    EXPECT_TRUE(std::filesystem::exists(folder / "a.kvox"));
    EXPECT_FALSE(f.controller.commandRunning());

    // Once it has ended, the file is taken as File / Open takes it.
    f.controller.openPath((folder / "b.kvo").string());
    EXPECT_EQ(f.view.summary[1], "Путь " + (folder / "b.kvo").string());
    EXPECT_EQ(f.view.progressMaximum, 24 + 1200);
}

TEST(FormController, TheAboutBoxShowsTheFiveStringsAndTheFixedFileVersion) {
    for (const std::uint16_t language : {std::uint16_t{0x0409}, std::uint16_t{0x0800}}) {
        const MemoryVersionFile file(buildVersionResource(allStrings(language)));
        Form f(file);
        const AboutLabels expected = {"CompanyName: Лаборатория",    "ProductName: KVOCodec",
                                      "PrivateBuild: сборка 7",      "ProductVersion: 1.0",
                                      "FileDescription: Сжатие KVO", "FileVersion :  2.3.4.5"};
        f.controller.systemCommand(FormController::kAboutCommand);
        f.controller.systemCommand(FormController::kAboutCommand);
        EXPECT_EQ(f.view.abouts, (std::vector<AboutLabels>{expected, expected})) << language;
        EXPECT_TRUE(f.view.errors.empty());
        // Other window commands are not ours.
        f.controller.systemCommand(0xF060);
        EXPECT_EQ(f.view.abouts.size(), 2u);
    }
}

TEST(FormController, TheAboutBoxKeepsTheLabelsOfMissingStrings) {
    VersionResourceContent some = allStrings(0x0409);
    some.strings = {{"ProductVersion", "1.0.0.0"}};
    const MemoryVersionFile file(buildVersionResource(some));
    Form f(file);
    f.controller.systemCommand(FormController::kAboutCommand);
    const AboutLabels expected = {std::nullopt, std::nullopt,
                                  std::nullopt, "ProductVersion: 1.0.0.0",
                                  std::nullopt, "FileVersion :  2.3.4.5"};
    EXPECT_EQ(f.view.abouts, std::vector<AboutLabels>{expected});
}

TEST(FormController, WithoutResourceNoAboutBoxWithoutTranslationAnError) {
    Form none;
    none.controller.systemCommand(FormController::kAboutCommand);
    EXPECT_TRUE(none.view.abouts.empty());
    EXPECT_TRUE(none.view.errors.empty());

    VersionResourceContent noTable = allStrings(0x0409);
    noTable.translations.clear();
    const MemoryVersionFile file(buildVersionResource(noTable));
    Form f(file);
    f.controller.systemCommand(FormController::kAboutCommand);
    EXPECT_TRUE(f.view.abouts.empty());
    EXPECT_EQ(f.view.errors, Lines{"Invalid language info in file /opt/kvo/kvocodec"});
}

}  // namespace
}  // namespace kvo::test
