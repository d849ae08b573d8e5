#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

#include "demod/demod_tables.h"
#include "tests/demod/demod_rig.h"

namespace orbix::testing {
namespace {

// Status registers the search reads.
constexpr std::uint8_t kAgc = 0x16, kTlir = 0x17, kVStatus = 0x1B, kNirH = 0x24, kNirL = 0x25;

// The field table is data copied by hand: overlaps are typos that would
// silently corrupt a neighbouring field.
TEST(DemodFields, NeverOverlapAndSignedAndPartialFieldsPackIntoTheCache) {
    std::array<int, kRegisterCount> used{};
    for (const FieldEntry& f : kFieldTable) {
        ASSERT_TRUE(f.reg >= 0 && f.reg < kRegisterCount && f.position + f.width <= 8) << f.name;
        EXPECT_EQ(used[f.reg] & f.mask, 0)
            << f.name << " overlaps in " << kRegisterTable[f.reg].name;
        used[f.reg] |= f.mask;
    }
    ScriptedRig rig;
    rig.demod.SetFieldValue(fld::CLDT, -1);
    EXPECT_EQ(rig.demod.Cached(reg::CLDT), 0xFF);
    rig.demod.SetFieldValue(fld::RTF, 0x80);
    EXPECT_EQ(rig.demod.GetFieldValue(fld::RTF), -128);
}

TEST(DemodInit, WritesEveryRegisterOnceInOrderWithTheColumnTheRateChooses) {
    using Write = std::pair<std::uint8_t, std::uint8_t>;
    // Symbol rate setting, then ACLC and the symbol rate bytes its column holds.
    const std::tuple<int, std::uint8_t, std::array<std::uint8_t, 3>> cases[] = {
        {7999, 0x99, {0x0E, 0x8B, 0xA0}}, {8000, 0x97, {0x50, 0x00, 0x00}}};
    for (const auto& [setting, aclc, symbolRate] : cases) {
        ScriptedRig rig(false);
        rig.demod.Tune(setting, 0);  // rejected, yet the setting is kept
        rig.chip->writes.clear();
        rig.demod.Init(true);
        const auto& w = rig.chip->writes;
        ASSERT_EQ(w.size(), 65u);
        EXPECT_EQ(w.front().first + w.back().first, 0x4F) << "from 00 to 4F";
        EXPECT_EQ(std::ranges::adjacent_find(w, std::greater_equal<>{}, &Write::first), w.end());
        EXPECT_EQ(std::pair(rig.chip->regs[0x13], rig.chip->SymbolRate()),
                  std::pair(aclc, symbolRate))
            << setting;
    }
    ScriptedRig reset(false);
    reset.demod.Init(false);
    EXPECT_EQ((std::pair<int, int>(reset.chip->regs[0x01], reset.demod.Cached(reg::MCR))),
              (std::pair(0x38, 0x34)));
}

TEST(DemodRegisters, WriteFieldKeepsChipBitsAndAChipThatStoppedAnsweringIsNotLocked) {
    ScriptedRig rig;
    rig.chip->regs[0x08] = 0xE0;  // the chip holds other DISEQC bits by now
    EXPECT_EQ(rig.demod.WriteField(fld::DISEQCMODE, 2), 0);
    EXPECT_EQ(rig.chip->regs[0x08], 0xE2);
    EXPECT_TRUE(rig.demod.CheckId());
    rig.chip->silent = true;
    // All ones on the bus must not read as locked, nor as a signal.
    EXPECT_FALSE(rig.demod.IsLocked());
    int level = -1, quality = -1;
    EXPECT_EQ(rig.demod.GetSignalInfo(level, quality), 0);
    EXPECT_EQ(std::pair(level, quality), std::pair(0, 0));
    EXPECT_FALSE(rig.demod.CheckId());
    EXPECT_EQ(rig.demod.ReadRegs(reg::ACLC, 3), -1);
    // A write keeps its value in the cache even unanswered.
    EXPECT_NE(rig.demod.WriteReg(reg::ACLC, 0x12), 0);
    EXPECT_EQ(rig.demod.Cached(reg::ACLC), 0x12);
}

TEST(Tuner, DividerBytesReachTheTunerThroughTheRepeater) {
    // kHz asked, kHz reached: the 125 kHz grid truncates, bits 16..15 of N =
    // 96000 go to the third byte, out of range is clamped.
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {1200100, 1200000}, {12000000, 12000000}, {99999999, 0x1FFFF * 125}};
    for (const auto& [kHz, reached] : cases) {
        DemodRig rig;
        rig.demod.TunerInit();
        EXPECT_EQ(rig.demod.SetTunerFrequency(kHz), reached);
        EXPECT_EQ(rig.frontEnd->TunerProgrammings(), 1u);
        EXPECT_EQ(rig.frontEnd->TunerFrequencyKHz(), reached) << kHz;
    }
    DemodRig rig;
    rig.demod.TunerInit();
    EXPECT_EQ(rig.demod.SetTunerFrequency(-1), -1);  // asks for nothing
    EXPECT_EQ(rig.demod.SetTunerFrequency(-5000), 0);
    // The repeater passes only the transaction right after I2CT, which the
    // chip then clears; any other transaction in between uses up the opening.
    const TunerBytes bytes{0x25, 0x80, 0x86, 0x80};
    const auto programmed = rig.frontEnd->TunerProgrammings();
    EXPECT_NE(rig.access.WriteTunerBytes(bytes), 0) << "closed repeater";
    EXPECT_EQ(rig.demod.ReadField(fld::I2CT), 0);
    rig.demod.WriteField(fld::I2CT, 1);
    rig.demod.ReadReg(reg::ID);
    EXPECT_NE(rig.access.WriteTunerBytes(bytes), 0);
    EXPECT_EQ(rig.frontEnd->TunerProgrammings(), programmed);
}

TEST(Tuner, BandwidthCodeAndLowBandBit) {
    // 100 kHz, kS/s, bits 4..3 of the third byte, bits 3..1 of the fourth.
    const std::tuple<std::int32_t, std::int32_t, int, int> cases[] = {
        {15000, 5000, 0x08, 0x00},   // B 10000, c = 2
        {15000, 22000, 0x10, 0x08},  // B 17500, c = 5
        {14499, 27500, 0x08, 0x0A},  // 1449.9 MHz: low-band bit
        {14500, 27500, 0x08, 0x08},
    };
    for (const auto& [f100k, rateKs, byte3Bits, byte4Bits] : cases) {
        CDemod demod;
        demod.TunerInit();
        demod.SetTunerBandwidth(f100k, rateKs);
        const auto& bytes = demod.Tuner().bytes;
        EXPECT_EQ(std::pair(bytes[2] & 0x18, bytes[3] & 0x0E), std::pair(byte3Bits, byte4Bits))
            << f100k << ", " << rateKs;
    }
}

// At 27500 kS/s the search takes a single look at the timing loop, then
// looks for a carrier only if it saw timing lock. A chip whose status
// registers stop answering reads all ones there: never timing or carrier.
TEST(Search, TimingCheckLeavesTheSymbolRateAsItWasAndUnansweredStatusIsNoLock) {
    // TLIR as read in turn (borderline readings are real when they collapse
    // off-rate, else noise), VSTATUS, unanswered registers, the end state.
    const std::tuple<std::deque<std::uint8_t>, std::uint8_t, std::set<std::uint8_t>, int> cases[] =
        {{{40}, 0, {}, kNoTiming},         {{41, 39}, 0, {}, kNoCarrier},
         {{48, 40}, 0, {}, kNoTiming},     {{49}, 0, {}, kNoCarrier},
         {{60}, 0x98, {kTlir}, kNoTiming}, {{60}, 0x98, {kVStatus}, kNoCarrier}};
    for (const auto& [tlir, vstatus, unanswered, state] : cases) {
        ScriptedRig rig;
        rig.demod.Tune(27500, 13000);
        rig.chip->reads[kTlir] = tlir;
        rig.chip->regs[kVStatus] = vstatus;
        rig.chip->unanswered = unanswered;
        EXPECT_EQ(rig.demod.Search(), state) << int{tlir.front()} << " " << unanswered.size();
        EXPECT_EQ(rig.chip->SymbolRate(), (std::array<std::uint8_t, 3>{0x50, 0x00, 0x00}));
    }
}

TEST(Search, ClockLockQualityAndLevelReadings) {
    ScriptedRig rig;
    const std::pair<std::uint8_t, int> locks[] = {{0x18, 1}, {0x08, 0}, {0x10, 0}};  // LK and PRF
    for (const auto& [vstatus, locked] : locks) {
        rig.chip->regs[kVStatus] = vstatus;
        EXPECT_EQ(rig.demod.IsLocked(), locked == 1) << int{vstatus};
    }
    // AGC integrator, noise indicator high and low bytes; level and quality.
    const std::tuple<std::uint8_t, std::uint8_t, std::uint8_t, int, int> readings[] = {
        {0x9A, 56, 0, 0, 0},     // AGC -102: no level; noise MSB over 55: no quality
        {60, 20, 160, 80, 84},   // noise far from 15000: no correction; quality from the table
        {0, 54, 250, 51, 2},     // noise 14074: corrected; MSB 54: the LSB in hundreds
        {127, 14, 255, 99, 99},  // v = 227 > 200 is held at 198; quality capped
    };
    for (const auto& [agc, msb, lsb, level, quality] : readings) {
        rig.chip->regs[kAgc] = agc;
        rig.chip->regs[kNirH] = msb;
        rig.chip->regs[kNirL] = lsb;
        int gotLevel = -1, gotQuality = -1;
        rig.demod.GetSignalInfo(gotLevel, gotQuality);
        EXPECT_EQ(std::pair(gotLevel, gotQuality), std::pair(level, quality)) << int{agc};
    }
    EXPECT_EQ(rig.demod.GetMasterClock(), 88000000);
    EXPECT_EQ(rig.demod.SymbolRateFromRegs(0x50, 0, 0), 27499520);
    rig.chip->reads[0x01] = {0x20};  // direct quartz clock
    EXPECT_EQ(rig.demod.GetMasterClock(), 4000000);
}

TEST(Search, EndsAtOnceWithoutAClockOrAValidTune) {
    // What, a first tune's symbol rate (0: none), the tune's symbol rate and
    // frequency (100 kHz), and whether the chip is in standby (clock 0).
    const std::tuple<const char*, std::int32_t, std::int32_t, std::int32_t, bool> cases[] = {
        {"master clock 0", 0, 27500, 12000, true},
        {"rejected tune after a good one", 27500, 999, 12000, false},
        {"frequency beyond the tuner", 0, 27500, 2000000000, false},
        {"negative frequency", 0, 27500, -5, false},
    };
    for (const auto& [what, firstRate, rate, frequency, standby] : cases) {
        SCOPED_TRACE(what);
        ScriptedRig rig;
        if (standby) rig.chip->reads[0x02] = {0x80};
        if (firstRate != 0) rig.demod.Tune(firstRate, 13000);
        rig.demod.Tune(rate, frequency);
        rig.chip->writes.clear();
        EXPECT_EQ(rig.demod.Search(), kNoTiming);
        EXPECT_EQ(rig.demod.FoundFrequency(), std::clamp(frequency, 0, 200000));
        EXPECT_TRUE(rig.chip->writes.empty());
    }
}

}  // namespace
}  // namespace orbix::testing
