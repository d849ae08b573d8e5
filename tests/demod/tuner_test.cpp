#include <gtest/gtest.h>

#include "tests/demod/demod_rig.h"
#include "tests/demod/scripted_demod.h"

namespace orbix::testing {
namespace {

// The four synthesizer bytes as the tuner receives them.
class CRecordingTuner final : public sim::IBusDevice {
  public:
    bool Select(bool read) override {
        received.clear();
        return !read;
    }
    bool WriteByte(std::uint8_t value) override {
        received.push_back(value);
        return true;
    }
    std::uint8_t ReadByte() override { return 0xFF; }
    std::vector<std::uint8_t> received;
};

TEST(Tuner, DividerBytesAndReachedFrequency) {
    struct Case {
        std::int32_t kHz;
        std::int32_t reached;
        std::uint8_t byte1, byte2, byte3Divider;
    };
    const Case cases[] = {
        {1200000, 1200000, 0x25, 0x80, 0x00},
        {1200100, 1200000, 0x25, 0x80, 0x00},  // the 125 kHz grid truncates
        {2150000, 2150000, 0x43, 0x30, 0x00},
        {12000000, 12000000, 0x77, 0x00, 0x40},  // bits 16..15 of N = 96000
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kHz);
        ScriptedRig rig;
        auto tuner = std::make_shared<CRecordingTuner>();
        rig.card.AttachBusDevice(0xC0, tuner);
        rig.demod.Init(true);
        rig.demod.TunerInit();
        EXPECT_EQ(rig.demod.SetTunerFrequency(c.kHz), c.reached);
        ASSERT_EQ(tuner->received.size(), 4u);
        EXPECT_EQ(tuner->received[0], c.byte1);
        EXPECT_EQ(tuner->received[1], c.byte2);
        EXPECT_EQ(tuner->received[2] & 0x60, c.byte3Divider);
        EXPECT_EQ(tuner->received[2] & 0x87, 0x86);
        EXPECT_EQ(rig.demod.GetTunerDivider(), c.reached / 125);
        // Every tuner write opens the repeater first.
        EXPECT_EQ(rig.chip->WritesTo(0x05).back() & 0x80, 0x80);
    }
}

TEST(Tuner, MinusOneAndOutOfRangeRequests) {
    ScriptedRig rig;
    rig.demod.Init(true);
    rig.demod.TunerInit();
    EXPECT_EQ(rig.demod.SetTunerFrequency(-1), -1);
    EXPECT_EQ(rig.demod.SetTunerFrequency(-5000), 0);
    EXPECT_EQ(rig.demod.SetTunerFrequency(99999999), 0x1FFFF * 125);
}

TEST(Tuner, BandwidthCodeAndLowBandBit) {
    struct Case {
        std::int32_t f100k;
        std::int32_t rateKs;
        std::uint8_t byte3Bits;  // bits 4..3
        std::uint8_t byte4Bits;  // bits 3..1
    };
    const Case cases[] = {
        {15000, 27500, 0x08, 0x08},                              // B 20000, c = 6
        {15000, 5000, 0x08, 0x00},                               // B 10000, c = 2
        {15000, 0, 0x08, 0x04},                                  // B 30000, c = 10
        {15000, 45000, 0x08, 0x04}, {15000, 22000, 0x10, 0x08},  // B 17500, c = 5
        {14499, 27500, 0x08, 0x0A},                              // 1449.9 MHz: low-band bit
        {14500, 27500, 0x08, 0x08},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rateKs);
        SCOPED_TRACE(c.f100k);
        CDemod demod;
        demod.TunerInit();
        demod.SetTunerBandwidth(c.f100k, c.rateKs);
        EXPECT_EQ(demod.Tuner().bytes[2] & 0x18, c.byte3Bits);
        EXPECT_EQ(demod.Tuner().bytes[3] & 0x0E, c.byte4Bits);
    }
}

TEST(Tuner, ToneSwitchPausesAndSetsChipAndLogic) {
    DemodRig rig;
    const std::int64_t before = rig.clock.SleptMs();
    rig.demod.SetToneOff();
    EXPECT_EQ(rig.demod.GetFieldValue(fld::DISEQCMODE), 2);
    EXPECT_EQ(rig.card.Logic().Control() & 4, 0);
    rig.demod.SetToneOn();
    EXPECT_GE(rig.clock.SleptMs() - before, 200);
    EXPECT_EQ(rig.demod.ReadField(fld::DISEQCMODE), 3);
    EXPECT_EQ(rig.card.Logic().Control() & 4, 4);
}

TEST(Tuner, RepeaterPassesExactlyOneTransaction) {
    DemodRig rig;
    const TunerBytes bytes{0x25, 0x80, 0x86, 0x80};
    EXPECT_NE(rig.access.WriteTunerBytes(bytes), 0) << "closed repeater";
    EXPECT_EQ(rig.frontEnd->TunerProgrammings(), 0u);
    rig.demod.TunerInit();
    EXPECT_EQ(rig.demod.SetTunerFrequency(1200000), 1200000);
    EXPECT_EQ(rig.frontEnd->TunerProgrammings(), 1u);
    EXPECT_EQ(rig.frontEnd->TunerFrequencyKHz(), 1200000);
    EXPECT_EQ(rig.demod.ReadField(fld::I2CT), 0) << "the chip clears I2CT";
    EXPECT_NE(rig.access.WriteTunerBytes(bytes), 0) << "closed again";
    EXPECT_EQ(rig.frontEnd->TunerProgrammings(), 1u);

    // A demodulator transaction after I2CT uses up the opening.
    rig.demod.WriteField(fld::I2CT, 1);
    rig.demod.ReadReg(reg::ID);
    EXPECT_NE(rig.access.WriteTunerBytes(bytes), 0);
}

TEST(Tuner, AbsentTunerNeverAnswers) {
    DemodRig rig;
    rig.frontEnd->SetTunerAbsent(true);
    rig.demod.TunerInit();
    rig.demod.SetTunerFrequency(1200000);
    EXPECT_NE(rig.demod.WriteTuner(), 0);
    EXPECT_EQ(rig.frontEnd->TunerProgrammings(), 0u);
}

}  // namespace
}  // namespace orbix::testing
