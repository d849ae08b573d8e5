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
        SCOPED_TRACE(f.name);
        ASSERT_GE(f.reg, 0);
        ASSERT_LT(f.reg, kRegisterCount);
        EXPECT_LE(f.position + f.width, 8);
        EXPECT_EQ(used[f.reg] & f.mask, 0) << "overlaps in " << kRegisterTable[f.reg].name;
        used[f.reg] |= f.mask;
    }
    ScriptedRig rig;
    rig.demod.SetFieldValue(fld::CLDT, -1);
    EXPECT_EQ(rig.demod.Cached(reg::CLDT), 0xFF);
    rig.demod.SetFieldValue(fld::RTF, 0x80);
    EXPECT_EQ(rig.demod.GetFieldValue(fld::RTF), -128);

    rig.demod.WriteReg(reg::SRFL, 0x05);
    rig.demod.SetFieldValue(fld::SYMB_FREQL, 0x0B);
    EXPECT_EQ(rig.demod.Cached(reg::SRFL), 0xB5);
    EXPECT_EQ(rig.demod.GetFieldValue(fld::SYMB_FREQL), 0x0B);
}

TEST(DemodInit, WritesEveryRegisterOnceInOrderWithTheColumnTheRateChooses) {
    using Write = std::pair<std::uint8_t, std::uint8_t>;
    using Bytes = std::array<std::uint8_t, 3>;
    const std::tuple<int, std::uint8_t, Bytes> cases[] = {{7999, 0x99, {0x0E, 0x8B, 0xA0}},
                                                          {8000, 0x97, {0x50, 0x00, 0x00}}};
    for (const auto& [setting, aclc, symbolRate] : cases) {
        SCOPED_TRACE(setting);
        ScriptedRig rig(false);
        rig.demod.Tune(setting, 0);  // rejected, yet the setting is kept
        rig.chip->writes.clear();
        rig.demod.Init(true);
        const auto& w = rig.chip->writes;  // each register once, in ascending order
        ASSERT_EQ(w.size(), 65u);
        EXPECT_EQ(w.front().first, 0x00);
        EXPECT_EQ(w.back(), (Write{0x4F, 0x40}));
        EXPECT_EQ(std::ranges::adjacent_find(w, std::greater_equal<>{}, &Write::first), w.end());
        EXPECT_EQ(rig.chip->regs[0x13], aclc);
        EXPECT_EQ(rig.chip->SymbolRate(), symbolRate);
    }
    ScriptedRig reset(false);
    reset.demod.Init(false);
    EXPECT_EQ(reset.chip->regs[0x01], 0x38);
    EXPECT_EQ(reset.demod.Cached(reg::MCR), 0x34);
}

TEST(DemodRegisters, WriteFieldKeepsChipBitsAndAChipThatStoppedAnsweringIsNotLocked) {
    ScriptedRig rig;
    rig.chip->regs[0x08] = 0xE0;  // the chip holds other DISEQC bits by now
    EXPECT_EQ(rig.demod.WriteField(fld::DISEQCMODE, 2), 0);
    EXPECT_EQ(rig.chip->regs[0x08], 0xE2);
    EXPECT_EQ(rig.demod.ReadField(fld::LOCKOUTPUT), 3);
    EXPECT_TRUE(rig.demod.CheckId());
    EXPECT_EQ(rig.demod.ReadRegs(reg::ACLC, 3), 0);

    rig.chip->silent = true;
    // All ones on the bus must not read as locked.
    EXPECT_FALSE(rig.demod.IsLocked());
    int level = -1, quality = -1;
    EXPECT_EQ(rig.demod.GetSignalInfo(level, quality), 0);
    EXPECT_EQ(std::make_pair(level, quality), std::make_pair(0, 0));
    EXPECT_FALSE(rig.demod.CheckId());
    EXPECT_EQ(rig.demod.ReadRegs(reg::ACLC, 3), -1);
    // A write keeps its value in the cache even unanswered.
    EXPECT_NE(rig.demod.WriteReg(reg::ACLC, 0x12), 0);
    EXPECT_EQ(rig.demod.Cached(reg::ACLC), 0x12);
}

TEST(Tuner, DividerBytesReachTheTunerThroughTheRepeater) {
    // kHz asked, kHz reached, the first two bytes and bits 6..5 of the third.
    const std::tuple<std::int32_t, std::int32_t, int, int, int> cases[] = {
        {1200100, 1200000, 0x25, 0x80, 0x00},         // the 125 kHz grid truncates
        {12000000, 12000000, 0x77, 0x00, 0x40},       // bits 16..15 of N = 96000
        {99999999, 0x1FFFF * 125, 0x7F, 0xFF, 0x60},  // out of range: clamped
    };
    for (const auto& [kHz, reached, byte1, byte2, byte3Divider] : cases) {
        SCOPED_TRACE(kHz);
        DemodRig rig;
        rig.demod.TunerInit();
        EXPECT_EQ(rig.demod.SetTunerFrequency(kHz), reached);
        const auto& bytes = rig.demod.Tuner().bytes;
        EXPECT_EQ(bytes[0], byte1);
        EXPECT_EQ(bytes[1], byte2);
        EXPECT_EQ(bytes[2] & 0x60, byte3Divider);
        EXPECT_EQ(bytes[2] & 0x87, 0x86);
        EXPECT_EQ(rig.frontEnd->TunerProgrammings(), 1u);
        EXPECT_EQ(rig.frontEnd->TunerFrequencyKHz(), reached);
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
        {15000, 45000, 0x08, 0x04},  // B 30000, c = 10
        {15000, 22000, 0x10, 0x08},  // B 17500, c = 5
        {14499, 27500, 0x08, 0x0A},  // 1449.9 MHz: low-band bit
        {14500, 27500, 0x08, 0x08},
    };
    for (const auto& [f100k, rateKs, byte3Bits, byte4Bits] : cases) {
        SCOPED_TRACE(::testing::Message() << f100k << ", " << rateKs);
        CDemod demod;
        demod.TunerInit();
        demod.SetTunerBandwidth(f100k, rateKs);
        EXPECT_EQ(demod.Tuner().bytes[2] & 0x18, byte3Bits);
        EXPECT_EQ(demod.Tuner().bytes[3] & 0x0E, byte4Bits);
    }
}

// At 27500 kS/s the search takes a single look at the timing loop, then
// looks for a carrier only if it saw timing lock.
TEST(Search, TimingCheckLeavesTheSymbolRateAsItWas) {
    // TLIR as read in turn, and the state the search ends in.
    const std::pair<std::deque<std::uint8_t>, int> cases[] = {
        // Borderline readings are real when they collapse off-rate, else noise.
        {{40}, kNoTiming},
        {{41, 39}, kNoCarrier},
        {{48, 40}, kNoTiming},
        {{49}, kNoCarrier},
    };
    for (const auto& [tlir, state] : cases) {
        SCOPED_TRACE(tlir.front());
        ScriptedRig rig;
        rig.demod.Tune(27500, 13000);
        rig.chip->reads[kTlir] = tlir;
        rig.chip->regs[kVStatus] = 0;
        EXPECT_EQ(rig.demod.Search(), state);
        EXPECT_EQ(rig.chip->SymbolRate(), (std::array<std::uint8_t, 3>{0x50, 0x00, 0x00}));
    }
}

// A chip whose status registers stop answering reads all ones there; that
// must never pass for timing, carrier or data lock.
TEST(Search, UnansweredStatusIsNoLock) {
    // Unanswered registers, and the state the search ends in.
    const std::pair<std::set<std::uint8_t>, int> cases[] = {
        {{kTlir}, kNoTiming}, {{kVStatus}, kNoCarrier}, {{kTlir, kVStatus}, kNoTiming}};
    for (const auto& [unanswered, state] : cases) {
        ScriptedRig rig;
        rig.demod.Tune(27500, 13000);
        rig.chip->regs[kTlir] = 60;
        rig.chip->regs[kVStatus] = 0x98;
        rig.chip->unanswered = unanswered;
        EXPECT_EQ(rig.demod.Search(), state) << unanswered.size();
        EXPECT_EQ(rig.demod.IsLocked(), !unanswered.contains(kVStatus));
    }
}

TEST(Search, ClockLockQualityAndLevelReadings) {
    ScriptedRig rig;
    const std::pair<std::uint8_t, int> locks[] = {{0x18, 1}, {0x08, 0}, {0x10, 0}};  // LK and PRF
    for (const auto& [vstatus, locked] : locks) {
        rig.chip->regs[kVStatus] = vstatus;
        EXPECT_EQ(rig.demod.IsLocked(), locked == 1) << int{vstatus};
    }
    // Noise indicator high and low bytes, and the quality they give.
    const std::tuple<std::uint8_t, std::uint8_t, int> qualities[] = {
        {20, 160, 84}, {14, 255, 99}, {56, 0, 0}, {54, 250, 2}};
    for (const auto& [msb, lsb, quality] : qualities) {
        rig.chip->regs[kNirH] = msb;
        rig.chip->regs[kNirL] = lsb;
        EXPECT_EQ(rig.demod.GetQuality(), quality) << int{msb} << "/" << int{lsb};
    }
    // AGC integrator, noise indicator high byte, and the level they give.
    const std::tuple<std::uint8_t, std::uint8_t, int> levels[] = {
        {0x9A, 20, 0},  // -102: nothing
        {60, 20, 80},   // noise far from 15000: no correction
        {0, 58, 50},    // noise 14848 + lsb: a small correction, under 1
        {127, 20, 99},  // v = 227 > 200 is held at 198
    };
    rig.chip->regs[kNirL] = 0;
    for (const auto& [agc, noiseMsb, level] : levels) {
        rig.chip->regs[kAgc] = agc;
        rig.chip->regs[kNirH] = noiseMsb;
        int got = -1, quality = -1;
        rig.demod.GetSignalInfo(got, quality);
        EXPECT_EQ(got, level) << int{agc};
    }
    EXPECT_EQ(rig.demod.GetMasterClock(), 88000000);
    EXPECT_EQ(rig.demod.SymbolRateFromRegs(0x50, 0, 0), 27499520);
    rig.chip->reads[0x01] = {0x20};  // direct quartz clock
    EXPECT_EQ(rig.demod.GetMasterClock(), 4000000);
    rig.chip->reads[0x02] = {0x80};  // standby
    EXPECT_EQ(rig.demod.GetMasterClock(), 0);
}

TEST(Search, EndsAtOnceWithoutAClockOrAValidTune) {
    // What, a first tune's symbol rate (0: none), the tune's symbol rate and
    // frequency (100 kHz), and whether the chip is in standby (clock 0).
    const std::tuple<const char*, std::int32_t, std::int32_t, std::int32_t, bool> cases[] = {
        {"no valid tune yet", 0, 500, 12000, false},
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
        const std::int32_t requested = std::clamp(frequency, 0, 200000);
        EXPECT_EQ(rig.demod.Search(), kNoTiming);
        EXPECT_EQ(rig.demod.Result().state, kNoTiming);
        EXPECT_EQ(rig.demod.Result().frequencyFound, requested * 100);
        EXPECT_EQ(rig.demod.FoundFrequency(), requested);
        EXPECT_TRUE(rig.chip->writes.empty());
    }
}

}  // namespace
}  // namespace orbix::testing
