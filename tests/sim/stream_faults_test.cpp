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
    ASSERT_TRUE(f.noData.size() == 2 && f.loss);
    EXPECT_EQ(std::tuple(f.noData[1].atMs, f.noData[1].durationMs, f.loss->atMs, f.loss->perSecond),
              std::tuple(20'000, 1'500, 2'000, 20.0));
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
    const std::pair<int, bool> steps[] = {{0, false}, {1000, true}, {499, true}, {1, false}};
    for (const auto& [ms, silenced] : steps) {
        clock.Advance(ms);
        EXPECT_EQ(filter.Silenced(), silenced) << ms;
    }
    // A packet every ms over the loss's first two seconds: one lost every 100 ms.
    clock.Advance(500);
    int lost = 0, lostInFirstSecond = 0;
    for (int ms = 0; ms <= 2000; ++ms) {
        const bool dropped = filter.DropPacket();
        lost += dropped;
        lostInFirstSecond += dropped && ms <= 1000;
        clock.Advance(1);
    }
    EXPECT_EQ(std::pair(lost, lostInFirstSecond), std::pair(20, 10));
    // After a pause nothing is made up in a burst: one loss, then the rate.
    clock.Advance(5000);
    EXPECT_TRUE(filter.DropPacket());
    EXPECT_FALSE(filter.DropPacket());
}

}  // namespace
}  // namespace orbix::sim
