#include "cli/options.h"

#include <gtest/gtest.h>

namespace kvo::cli {
namespace {

Options Parsed(const std::vector<std::string>& args) {
    auto result = ParseOptions(args);
    if (const auto* error = std::get_if<UsageError>(&result)) {
        ADD_FAILURE() << error->message;
        return {};
    }
    return std::get<Options>(result);
}

std::string Refused(const std::vector<std::string>& args) {
    auto result = ParseOptions(args);
    const auto* error = std::get_if<UsageError>(&result);
    return error != nullptr ? error->message : "accepted";
}

TEST(KvoxOptions, FollowsTheUsualConventions) {
    const Options bundled = Parsed({"-zfqb72", "a", "-T", "3", "--output=x.kvox", "--", "-b"});
    EXPECT_EQ(bundled.direction, Direction::Compress);
    EXPECT_TRUE(bundled.force);
    EXPECT_EQ(bundled.verbosity, Verbosity::Quiet);
    EXPECT_EQ(bundled.blockSize, 72u);
    EXPECT_EQ(bundled.threads, 3u);
    EXPECT_EQ(bundled.output, "x.kvox");
    EXPECT_EQ(bundled.files, (std::vector<std::string>{"a", "-b"}));

    const Options spelled = Parsed({"--restore", "--block-size", "6k", "--list", "--json", "-"});
    EXPECT_EQ(spelled.direction, Direction::Restore);
    EXPECT_EQ(spelled.blockSize, 6144u);
    EXPECT_EQ(spelled.action, Action::List);
    EXPECT_TRUE(spelled.json);
    EXPECT_EQ(spelled.files, (std::vector<std::string>{"-"}));
}

TEST(KvoxOptions, RefusesWhatItCannotUse) {
    EXPECT_NE(Refused({"-b", "70"}).find("кратен 6"), std::string::npos);
    EXPECT_NE(Refused({"-b", "66"}).find("кратен 6"), std::string::npos);
    EXPECT_NE(Refused({"-b", "12x"}).find("12x"), std::string::npos);
    EXPECT_NE(Refused({"-b", "99999999999999999999"}).find("кратен 6"), std::string::npos);
    EXPECT_NE(Refused({"-T", "-1"}).find("потоков"), std::string::npos);
    EXPECT_NE(Refused({"-x"}).find("-x"), std::string::npos);
    EXPECT_NE(Refused({"--frobnicate"}).find("--frobnicate"), std::string::npos);
    EXPECT_NE(Refused({"--force=yes"}).find("--force"), std::string::npos);
    EXPECT_NE(Refused({"a.kvo", "-o"}).find("-o"), std::string::npos);
}

// JSON is printed for -l and --salvage alone; elsewhere --json would be silently ignored.
TEST(KvoxOptions, RefusesJsonWhereNoJsonIsPrinted) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--json", "a.kvo"},
          std::vector<std::string>{"-z", "--json", "a"},
          std::vector<std::string>{"--json", "-d", "a.kvox"},
          std::vector<std::string>{"-t", "--json", "a.kvox"}}) {
        EXPECT_EQ(Refused(args), "--json выводит только сводку -l и отчет --salvage") << args[0];
    }
    EXPECT_TRUE(Parsed({"--json", "-l", "a.kvo"}).json);
    EXPECT_TRUE(Parsed({"--salvage", "--json", "a.kvox"}).json);
}

// Two options that say opposite things are refused rather than one of them silently winning.
TEST(KvoxOptions, RefusesOptionsThatContradictEachOther) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-c", "-o", "x"},
             {"--salvage", "--checksum"},
             {"-zd"},
             {"-t", "-l"},
             {"--salvage", "-t"},
             {"-q", "-v"},
             {"-t", "-o", "x"},
             {"-l", "-c"},
             {"-d", "--checksum"},
             {"-l", "--checksum"},
         }) {
        const std::string message = Refused(args);
        EXPECT_NE(message.find("несовместимы"), std::string::npos) << args[0] << ": " << message;
    }
    EXPECT_NE(Refused({"-c", "--output=x"}).find("-c и -o несовместимы"), std::string::npos);
    EXPECT_NE(Refused({"--checksum", "--salvage"}).find("--salvage и --checksum несовместимы"),
              std::string::npos);
    // What the manual describes together stays accepted, and so does an option given twice.
    Parsed({"-l", "--json", "-f", "a"});
    Parsed({"--salvage", "--json", "-o", "x", "a"});
    Parsed({"-zz", "-b", "72", "--checksum", "--no-verify", "-c", "-q", "-f", "-k", "-r", "a"});
    Parsed({"-d", "-t", "a"});
}

TEST(KvoxOptions, ReadsByteCounts) {
    EXPECT_EQ(ParseByteCount("6000"), 6000u);
    EXPECT_EQ(ParseByteCount("3k"), 3072u);
    EXPECT_EQ(ParseByteCount("1G"), 1u << 30);
    EXPECT_FALSE(ParseByteCount(""));
    EXPECT_FALSE(ParseByteCount("k"));
    EXPECT_FALSE(ParseByteCount("1kb"));
    EXPECT_FALSE(ParseByteCount("17179869184g"));
}

}  // namespace
}  // namespace kvo::cli
