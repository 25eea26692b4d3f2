// File streams and safe outputs with what only POSIX systems have: named pipes, /dev/null and
// permission bits.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/filestream.h"
#include "platform/safeoutput.h"
#include "testfiles.h"

namespace kvo {
namespace {

namespace fs = std::filesystem;

// A named pipe would block the open until some writer came; such files are refused at once.
TEST(FileStream, RefusesFilesThatAreNotRegularWithoutWaiting) {
    const auto pipe = (test::CleanFolder("filestream-special") / "pipe.kvo").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {pipe, std::string("/dev/null")}) {
        try {
            FileStream::OpenRead(path);
            ADD_FAILURE() << path << " opened";
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Не удалось открыть файл " + path + ": это не обычный файл");
        }
    }
}

TEST(SafeOutputFile, AReplacedFileKeepsItsPermissions) {
    const auto target = test::CleanFolder("filestream-permissions") / "out.kvox";
    test::WriteBytes(target, "old contents");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    SafeOutputFile output(target.string());
    output.stream().write("new", 3);
    output.commit();
    EXPECT_EQ(test::ReadBytes(target), "new");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
}  // namespace kvo
