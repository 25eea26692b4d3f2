// Builds the way an outside program would: only the public headers and the two libraries.
#include <gtest/gtest.h>

#include <string>

#include "buffers/cbuff.h"
#include "model/head.h"
#include "model/types4kvo.h"

namespace {

TEST(LibraryConsumer, PassportIntoByteWindowAndStatistics) {
    kvo::THeadel head = kvo::THeadel::CreateDefault();
    kvo::TCByteBuff window(12);
    window.Add(static_cast<const std::uint8_t*>(head.fHead), 12);
    EXPECT_EQ(window.X(0), 'R');
    EXPECT_EQ(window.X(11), 0x02);

    kvo::TCDBuff stats(3);
    for (double v : {1.0, 2.0, 3.0})
        stats.Add(v);
    kvo::ArrofDbBuf1.push_back(&stats);
    EXPECT_EQ(kvo::ArrofDbBuf1.front()->MinMaxMean().Mean, 2.0);
    kvo::ArrofDbBuf1.clear();
    EXPECT_TRUE(kvo::ArrofDbBuf2.empty());
    EXPECT_EQ(std::string(kvo::ChannelTypeNames[4]), "Оборотный");
}

}  // namespace
