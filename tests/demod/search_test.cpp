#include <gtest/gtest.h>

#include <algorithm>

#include "tests/demod/scripted_demod.h"

namespace orbix::testing {
namespace {

constexpr std::uint8_t kTlir = 0x17;
constexpr std::uint8_t kVStatus = 0x1B;
constexpr std::uint8_t kAgc = 0x16;
constexpr std::uint8_t kNirH = 0x24;
constexpr std::uint8_t kNirL = 0x25;

TEST(Search, MasterClockDerotatorUnitAndSymbolRateRegisters) {
    ScriptedRig rig;
    rig.demod.Init(true);
    EXPECT_EQ(rig.demod.GetMasterClock(), 88000000);
    rig.demod.Tune(27500, 13000);
    EXPECT_EQ(rig.demod.Params().derotatorUnit, 1342);
    EXPECT_EQ(rig.demod.Params().searchRange, 12000000u);
    EXPECT_EQ(rig.demod.Params().stepFactor, 30);
    rig.chip->writes.clear();
    rig.demod.SetSymbolRate(27500000);
    const std::vector<std::pair<std::uint8_t, std::uint8_t>> expected{
        {0x1F, 0x50}, {0x20, 0x00}, {0x21, 0x00}};
    EXPECT_EQ(rig.chip->writes, expected);
    EXPECT_EQ(rig.demod.SymbolRateFromRegs(0x50, 0, 0), 27499520);

    // Direct quartz clock, and standby.
    rig.chip->reads[0x01] = {0x20};
    EXPECT_EQ(rig.demod.GetMasterClock(), 4000000);
    rig.chip->reads[0x02] = {0x80};
    EXPECT_EQ(rig.demod.GetMasterClock(), 0);
}

TEST(Search, TimingCheck) {
    struct Case {
        std::deque<std::uint8_t> tlir;
        int state;
    };
    const Case cases[] = {
        {{45, 30}, kTimingLock},  // borderline, collapses off-rate: real
        {{45, 45}, kNoTiming},    // borderline, unmoved: noise
        {{40}, kNoTiming},       {{41, 39}, kTimingLock}, {{48, 40}, kNoTiming},
        {{49}, kTimingLock},     {{0}, kNoTiming},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tlir.front());
        ScriptedRig rig;
        rig.demod.Init(true);
        rig.demod.Tune(27500, 13000);
        rig.demod.SetSymbolRate(27500000);
        rig.chip->reads[kTlir] = c.tlir;
        rig.demod.CheckTiming();
        EXPECT_EQ(rig.demod.Params().state, c.state);
        // The symbol rate is back where it was.
        EXPECT_EQ(rig.chip->regs[0x1F], 0x50);
        EXPECT_EQ(rig.chip->regs[0x20], 0x00);
        EXPECT_EQ(rig.chip->regs[0x21], 0x00);
    }
}

TEST(Search, LockTestsOnAChipThatStoppedAnswering) {
    ScriptedRig rig;
    rig.demod.Init(true);
    rig.chip->regs[kVStatus] = 0x98;
    rig.chip->regs[kTlir] = 90;
    EXPECT_EQ(rig.demod.IsLocked(), 1);
    rig.chip->silent = true;
    // All ones on the bus must not read as locked.
    EXPECT_EQ(rig.demod.IsLocked(), 0);
    rig.demod.CheckTiming();
    EXPECT_EQ(rig.demod.Params().state, kNoTiming);
    rig.demod.CheckCarrier();
    EXPECT_EQ(rig.demod.Params().state, kNoCarrier);
    rig.demod.CheckData();
    EXPECT_EQ(rig.demod.Params().state, kNoData);
    int level = -1;
    int quality = -1;
    EXPECT_EQ(rig.demod.GetSignalInfo(level, quality), 0);
    EXPECT_EQ(level, 0);
    EXPECT_EQ(quality, 0);
}

TEST(Search, LockTestReadsLkAndPrf) {
    struct Case {
        std::uint8_t vstatus;
        int locked;
    };
    const Case cases[] = {{0x18, 1}, {0x08, 0}, {0x10, 0}, {0x9F, 1}, {0x80, 0}};
    ScriptedRig rig;
    rig.demod.Init(true);
    for (const Case& c : cases) {
        rig.chip->regs[kVStatus] = c.vstatus;
        EXPECT_EQ(rig.demod.IsLocked(), c.locked) << int{c.vstatus};
    }
}

TEST(Search, Quality) {
    struct Case {
        std::uint8_t msb, lsb;
        int quality;
    };
    const Case cases[] = {{20, 160, 84}, {14, 255, 99}, {13, 0, 99}, {0, 0, 99},
                          {56, 0, 0},    {54, 250, 2},  {55, 99, 0}, {53, 0, 2}};
    ScriptedRig rig;
    rig.demod.Init(true);
    for (const Case& c : cases) {
        rig.chip->regs[kNirH] = c.msb;
        rig.chip->regs[kNirL] = c.lsb;
        EXPECT_EQ(rig.demod.GetQuality(), c.quality) << int{c.msb} << "/" << int{c.lsb};
    }
}

TEST(Search, SignalLevel) {
    struct Case {
        std::uint8_t agc;
        std::uint8_t noiseMsb;
        int level;
    };
    const Case cases[] = {
        {0x9A, 20, 0},  // -102: nothing
        {0x9B, 20, 0},  // -101
        {60, 20, 80},   // noise far from 15000: no correction
        {0, 58, 50},    // noise 14848 + lsb: a small correction, under 1
        {127, 20, 99},  // v = 227 > 200 is held at 198
    };
    ScriptedRig rig;
    rig.demod.Init(true);
    for (const Case& c : cases) {
        rig.chip->regs[kAgc] = c.agc;
        rig.chip->regs[kNirH] = c.noiseMsb;
        rig.chip->regs[kNirL] = 0;
        int level = -1;
        int quality = -1;
        rig.demod.GetSignalInfo(level, quality);
        EXPECT_EQ(level, c.level) << int{c.agc};
    }
}

TEST(Search, EndsAtOnceWithoutAClockOrAValidTune) {
    struct Case {
        const char* what;
        std::int32_t firstRate;  // 0: no first tune
        std::int32_t rate;
        bool standby;
        std::int32_t frequency = 12000;  // 100 kHz
    };
    const Case cases[] = {
        {"no valid tune yet", 0, 500, false},
        {"master clock 0", 0, 27500, true},
        {"rejected tune after a good one", 27500, 999, false},
        {"symbol rate beyond any carrier", 0, 2000000000, false},
        {"frequency beyond the tuner", 0, 27500, false, 2000000000},
        {"negative frequency", 0, 27500, false, -5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedRig rig;
        rig.demod.Init(true);
        if (c.standby) rig.chip->reads[0x02] = {0x80};
        if (c.firstRate != 0) rig.demod.Tune(c.firstRate, 13000);
        rig.demod.Tune(c.rate, c.frequency);
        rig.chip->writes.clear();
        const std::int32_t requested = std::clamp(c.frequency, 0, 200000);
        EXPECT_EQ(rig.demod.Search(), kNoTiming);
        EXPECT_EQ(rig.demod.Result().state, kNoTiming);
        EXPECT_EQ(rig.demod.Result().frequencyFound, requested * 100);
        EXPECT_EQ(rig.demod.FoundFrequency(), requested);
        EXPECT_TRUE(rig.chip->writes.empty());
    }
}

}  // namespace
}  // namespace orbix::testing
