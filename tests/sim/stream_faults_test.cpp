#include "sim/stream_faults.h"

#include <gtest/gtest.h>

#include "sim/sky.h"

namespace orbix::sim {
namespace {

TEST(SkyStreamFaults, ParsedFromTheirLinesAndRefusedWhenMalformed) {
    const auto ok = ParseSky(
        "satellite S ku\ntransponder T 11000 V 27500 3/4\nno-data 4 7\nno-data 20 1.5\n"
        "cc-errors 2 20\n");
    ASSERT_TRUE(ok.sky) << ok.error;
    const StreamFaultSchedule& f = ok.sky->faults.stream;
    ASSERT_EQ(f.noData.size(), 2u);
    EXPECT_EQ(f.noData[1].atMs, 20'000);
    EXPECT_EQ(f.noData[1].durationMs, 1'500);
    ASSERT_TRUE(f.loss);
    EXPECT_EQ(f.loss->atMs, 2'000);
    EXPECT_DOUBLE_EQ(f.loss->perSecond, 20);
    EXPECT_TRUE(DefaultSky().faults.stream.Empty());
    for (const char* bad :
         {"no-data 4", "no-data -1 3", "cc-errors 2", "cc-errors 2 0", "cc-errors 2 5 x"}) {
        const auto r = ParseSky(std::string("satellite S ku\n") + bad + "\n");
        EXPECT_FALSE(r.sky) << bad;
        EXPECT_NE(r.error.find("line 2"), std::string::npos) << r.error;
    }
}

TEST(StreamFaultFilter, SilencesItsWindowsAndLosesPacketsAtTheRate) {
    CVirtualClock clock;
    CStreamFaultFilter filter({{{1000, 500}}, PacketLoss{2000, 10}}, clock);
    EXPECT_FALSE(filter.Silenced());
    clock.Advance(1000);
    EXPECT_TRUE(filter.Silenced());
    clock.Advance(499);
    EXPECT_TRUE(filter.Silenced());
    clock.Advance(1);
    EXPECT_FALSE(filter.Silenced());
    // A packet every ms over the loss's first two seconds: one lost every 100 ms.
    clock.Advance(500);
    int lost = 0;
    int lostInFirstSecond = 0;
    for (int ms = 0; ms <= 2000; ++ms) {
        if (filter.DropPacket()) {
            ++lost;
            if (ms <= 1000) ++lostInFirstSecond;
        }
        clock.Advance(1);
    }
    EXPECT_EQ(lost, 20);
    EXPECT_EQ(lostInFirstSecond, 10);
    // After a pause nothing is made up in a burst: one loss, then the rate.
    clock.Advance(5000);
    EXPECT_TRUE(filter.DropPacket());
    EXPECT_FALSE(filter.DropPacket());
}

}  // namespace
}  // namespace orbix::sim
