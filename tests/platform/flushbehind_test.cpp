#include "platform/flushbehind.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace kvo {
namespace {

// A pipe cannot be flushed: the system says EINVAL, as it would say EIO for a failing disk.
struct Pipe {
    Pipe() { EXPECT_EQ(::pipe(ends), 0); }
    ~Pipe() {
        ::close(ends[0]);
        ::close(ends[1]);
    }
    int ends[2] = {-1, -1};
};

TEST(FlushBehind, AFailedFlushIsKeptForTheFinalSync) {
    Pipe pipe;
    FlushBehind flush(pipe.ends[1], 100);
    flush.wrote(60);
    flush.wrote(40);  // due now
    // The flush runs on its own thread; stop() waits for it, and the failure must not be lost.
    EXPECT_EQ(flush.stop(), EINVAL);
    EXPECT_EQ(flush.stop(), EINVAL);
}

TEST(FlushBehind, FlushesOnlyOnceEnoughWasWritten) {
    Pipe pipe;
    FlushBehind flush(pipe.ends[1], 100);
    flush.wrote(99);
    EXPECT_EQ(flush.stop(), 0);
}

TEST(FlushBehind, FlushesAFileWithoutError) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        FlushBehind flush(::fileno(file), 1);
        for (int i = 0; i < 20; ++i) {
            ASSERT_EQ(::write(::fileno(file), "data", 4), 4);
            flush.wrote(4);
        }
        EXPECT_EQ(flush.stop(), 0);
    }
    std::fclose(file);
}

}  // namespace
}  // namespace kvo
