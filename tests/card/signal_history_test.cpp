#include "card/signal_history.h"

#include <gtest/gtest.h>

namespace orbix {
namespace {

SignalSample At(std::int64_t ms, int level, int quality = 0, bool locked = false) {
    return {ms, level, quality, locked};
}

TEST(SignalHistory, WrapsAndCountsBackFromTheNewest) {
    CSignalHistory history(5);
    for (int i = 0; i < 8; ++i) history.Record(At(i * 100, i));
    struct Case {
        std::int64_t spanMs;
        std::vector<int> levels;
    } cases[] = {{0, {7}}, {199, {6, 7}}, {200, {5, 6, 7}}, {60'000, {3, 4, 5, 6, 7}}};
    for (const Case& c : cases) {
        std::vector<int> levels;
        for (const SignalSample& s : history.Recent(c.spanMs)) levels.push_back(s.level);
        EXPECT_EQ(levels, c.levels) << "span " << c.spanMs;
    }
    EXPECT_TRUE(CSignalHistory(3).Recent(1000).empty());
    // The ring keeps the newest, oldest first.
    ASSERT_EQ(history.All().size(), 5u);
    EXPECT_EQ(history.All().front().level, 3);
    SignalSample latest;
    ASSERT_TRUE(history.Latest(latest));
    EXPECT_EQ(latest.level, 7);
}

TEST(SignalHistory, PeakHoldRisesEachValueOnItsOwnAndResets) {
    CSignalHistory history(2);
    history.Record(At(0, 40, 70));
    history.Record(At(100, 60, 20));
    history.Record(At(200, 10, 10));
    history.Record(At(300, 10, 10));  // the peaks have left the ring; the hold keeps them
    EXPECT_EQ(history.PeakHold(), (CSignalHistory::Peak{60, 70}));
    history.ResetPeak();
    EXPECT_EQ(history.PeakHold(), (CSignalHistory::Peak{}));
    history.Record(At(400, 15, 5));
    EXPECT_EQ(history.PeakHold(), (CSignalHistory::Peak{15, 5}));
}

TEST(SignalHistory, CsvGivesSecondsFromTheFirstSampleAndTheLockAsDigits) {
    const std::vector<SignalSample> samples{At(5'000, 80, 87, true), At(5'100, 79, 86, true),
                                            At(17'350, 0, 0, false)};
    EXPECT_EQ(SignalHistoryCsv(samples),
              "time_s,level,quality,locked\n"
              "0.0,80,87,1\n"
              "0.1,79,86,1\n"
              "12.3,0,0,0\n");
    EXPECT_EQ(SignalHistoryCsv({}), "time_s,level,quality,locked\n");
}

}  // namespace
}  // namespace orbix
