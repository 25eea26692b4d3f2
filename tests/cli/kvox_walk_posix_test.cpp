// kvox -r over folders it cannot wholly read or that hold more than plain files: nothing below a
// named folder is skipped without a word, and links never lead a walk in circles.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "cli/kvox.h"
#include "kvoxchild.h"
#include "kvoxrun.h"
#include "synth/kvosynth.h"
#include "testfiles.h"

namespace kvo::cli {
namespace {

namespace fs = std::filesystem;
using test::Kvox;
using test::KvoxRun;

fs::path Recording(const std::string& name) {
    return test::SyntheticRecording("kvox-walk-" + name, synth::Kind::TipTiming, 600, 5);
}

// Hands a tree to the user unprivileged children run as, so that only the rights under test
// stand in their way.
void GiveToNobody(const fs::path& top) {
    if (::geteuid() != 0) {
        return;
    }
    ASSERT_EQ(::lchown(top.c_str(), test::kNobody, test::kNobody), 0);
    for (const auto& entry : fs::recursive_directory_iterator(top)) {
        ASSERT_EQ(::lchown(entry.path().c_str(), test::kNobody, test::kNobody), 0);
    }
}

bool Mentions(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// fN below `top`; built with append, since GCC 12's optimiser warns falsely of "f" + to_string().
fs::path Sibling(const fs::path& top, int i) {
    std::string name = "f";
    name.append(std::to_string(i));
    return top / name;
}

TEST(KvoxWalk, AFolderThatCannotBeReadIsNamedAndTheWalkGoesOn) {
    const auto source = Recording("locked");
    const fs::path top = source.parent_path();
    // Many siblings, so that the locked folder is not last in the directory's own order.
    for (int i = 0; i < 8; ++i) {
        fs::create_directory(Sibling(top, i));
        fs::copy_file(source, Sibling(top, i) / "a.kvo");
    }
    fs::create_directory(top / "locked");
    fs::copy_file(source, top / "locked" / "b.kvo");
    // A named folder whose only entry cannot be read.
    const fs::path alone = test::CleanFolder("kvox-walk-alone");
    fs::create_directory(alone / "locked");
    GiveToNobody(top);
    GiveToNobody(alone);
    fs::permissions(top / "locked", fs::perms::none);
    fs::permissions(alone / "locked", fs::perms::none);

    const fs::path errFile = test::CleanFolder("kvox-walk-locked-err") / "err";
    test::KvoxChild kvox(
        {"-r", top.string(), alone.string()}, errFile,
        {.unprivileged = true, .silentInput = false, .silentOutput = false, .temporaryFolder = {}});
    const auto status = kvox.exitStatus(std::chrono::seconds(120));
    fs::permissions(top / "locked", fs::perms::owner_all);
    fs::permissions(alone / "locked", fs::perms::owner_all);
    const std::string err = test::ReadBytes(errFile);

    EXPECT_EQ(status, kExitError) << err;
    for (const fs::path& locked : {top / "locked", alone / "locked"}) {
        EXPECT_TRUE(Mentions(err, "kvox: " + locked.string() + ": не удалось прочитать папку: "))
            << err;
    }
    EXPECT_TRUE(fs::exists(top / "a.kvox"));
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(fs::exists(Sibling(top, i) / "a.kvox")) << i;
    }
    EXPECT_FALSE(fs::exists(top / "locked" / "b.kvox"));
}

TEST(KvoxWalk, LinksAndSpecialFilesAreNamedNotFollowed) {
    const auto source = Recording("links");
    const fs::path top = source.parent_path();
    const fs::path outside = test::CleanFolder("kvox-walk-outside");
    fs::copy_file(source, outside / "c.kvo");
    fs::create_directory_symlink(top, top / "loop");  // followed, the walk would never end
    fs::create_directory_symlink(outside, top / "elsewhere");
    fs::create_symlink(outside / "c.kvo", top / "link.kvo");
    // A name that would drive the terminal is shown escaped, as kvox shows every name.
    ASSERT_EQ(::mkfifo((top / "fifo\x1b[2J.kvo").c_str(), 0600), 0);
    test::WriteBytes(top / "notes.txt", "not a recording");
    fs::create_symlink(top / "notes.txt", top / "notes-link.txt");

    const KvoxRun run = Kvox({"-r", top.string()});
    EXPECT_EQ(run.status, kExitWarning) << run.err;
    EXPECT_TRUE(fs::exists(top / "a.kvox"));
    EXPECT_EQ(test::EntriesIn(outside), 1u);
    for (const char* name : {"loop", "elsewhere", "link.kvo"}) {
        EXPECT_TRUE(Mentions(
            run.err, "kvox: " + (top / name).string() + ": предупреждение: символическая ссылка"))
            << name << '\n'
            << run.err;
    }
    EXPECT_TRUE(Mentions(run.err, "kvox: " + (top / "fifo\\x1B[2J.kvo").string() +
                                      ": предупреждение: не обычный файл"))
        << run.err;
    EXPECT_FALSE(Mentions(run.err, "notes")) << run.err;

    fs::remove(top / "a.kvox");
    const KvoxRun quiet = Kvox({"-q", "-r", top.string()});
    EXPECT_EQ(quiet.status, kExitWarning);
    EXPECT_EQ(quiet.err, "");
}

}  // namespace
}  // namespace kvo::cli
