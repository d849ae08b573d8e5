#include <gtest/gtest.h>

#include "demod/tune_worker.h"
#include "tests/demod/demod_rig.h"

namespace orbix::testing {
namespace {

struct TuneOutcome {
    int locked = 0;
    double found = 0;  // MHz, as the worker writes it back
};

TuneOutcome Tune(DemodRig& rig, const TransponderParams& r) {
    const TuneSettings s = SettingsFor(r);
    rig.demod.SetLnbSelect(s.lnbSelect);
    rig.demod.SetToneWanted(s.toneOn);
    TuneOutcome out;
    out.locked = rig.demod.TuneTransponder(r.symbolRate, s.tunerFrequency);
    out.found = CorrectedFrequency(r.frequency, s.lo, rig.demod.FoundFrequency());
    return out;
}

sim::Sky OneTransponder(double mhz, int rateKs, sim::FecRate fec = sim::FecRate::R3_4,
                        double cn = 10) {
    sim::SkyTransponder tp;
    tp.satellite = "S";
    tp.name = "T";
    tp.frequencyMhz = mhz;
    tp.symbolRateKs = rateKs;
    tp.fec = fec;
    tp.cnDb = cn;
    sim::Sky sky;
    sky.satellites.push_back({"S", sim::LnbKind::UniversalKu, {tp}});
    return sky;
}

TEST(FrontEnd, CarrierOffFromTheRecordLocksWithinTheSearchRange) {
    struct Case {
        int rateKs;
        double offsetMhz;
        bool locks;
    };
    const Case cases[] = {
        {27500, 0.0, true},  {27500, 3.0, true},  {27500, -5.0, true}, {27500, 9.0, false},
        {27500, -12, false}, {22000, 4.5, true},  {5000, 2.0, true},   {5000, -1.2, true},
        {5000, 6.0, false},  {5000, -9.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.rateKs << " kS/s, " << c.offsetMhz << " MHz");
        const double recorded = 11200.0;
        const sim::Sky sky = OneTransponder(recorded + c.offsetMhz, c.rateKs);
        DemodRig rig(sky);
        TransponderParams r = RecordFor(sky.satellites[0], sky.satellites[0].transponders[0]);
        r.frequency = static_cast<float>(recorded);
        const TuneOutcome out = Tune(rig, r);
        EXPECT_EQ(out.locked, c.locks ? 1 : 0);
        EXPECT_EQ(rig.demod.IsLocked(), c.locks ? 1 : 0);
        if (c.locks) {
            EXPECT_NEAR(out.found, recorded + c.offsetMhz, 0.15);
        } else {
            EXPECT_FALSE(rig.frontEnd->LockedTransponder().has_value());
        }
    }
}

TEST(FrontEnd, OnlyTheRightLnbToneLoAndRateLock) {
    struct Case {
        const char* what;
        void (*change)(TransponderParams&);
        bool locks;
    };
    const Case cases[] = {
        {"as stored", [](TransponderParams&) {}, true},
        {"horizontal", [](TransponderParams& r) { r.polarisation = Gbk("水平"); }, false},
        {"supply off", [](TransponderParams& r) { r.polarisation = Gbk("关"); }, false},
        {"tone on", [](TransponderParams& r) { r.tone22k = Gbk("开"); }, false},
        {"high-band LO", [](TransponderParams& r) { r.lnbFrequency = "10600"; }, false},
        {"C-band LO", [](TransponderParams& r) { r.lnbFrequency = "5150"; }, false},
        {"22000 kS/s", [](TransponderParams& r) { r.symbolRate = 22000; }, false},
        {"27800 kS/s", [](TransponderParams& r) { r.symbolRate = 27800; }, false},
        {"27600 kS/s", [](TransponderParams& r) { r.symbolRate = 27600; }, true},
    };
    const sim::Sky sky = sim::DefaultSky();
    const auto& sat = sky.satellites[0];
    const auto& tp = sat.transponders[0];  // 11052 V 27500, low band
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DemodRig rig;
        TransponderParams r = RecordFor(sat, tp);
        c.change(r);
        EXPECT_EQ(Tune(rig, r).locked, c.locks ? 1 : 0);
    }
}

TEST(FrontEnd, InvertedSpectrumLocksThroughTheIqSwap) {
    struct Case {
        std::size_t satellite, transponder;
        int iq;
    };
    const Case cases[] = {
        {0, 0, 1},  // straight
        {0, 2, 0},  // transmitted inverted
        {1, 0, 0},  // C band: the LNB inverts
    };
    const sim::Sky sky = sim::DefaultSky();
    for (const Case& c : cases) {
        const auto& sat = sky.satellites[c.satellite];
        const auto& tp = sat.transponders[c.transponder];
        SCOPED_TRACE(tp.name);
        DemodRig rig;
        EXPECT_EQ(Tune(rig, RecordFor(sat, tp)).locked, 1);
        EXPECT_EQ(rig.demod.ReadField(fld::IQ), c.iq);
    }
}

TEST(FrontEnd, CarrierWithoutDataGivesUp) {
    const sim::Sky sky = OneTransponder(11200, 27500, sim::FecRate::R7_8, 3.5);
    DemodRig rig(sky);
    const auto out = Tune(rig, RecordFor(sky.satellites[0], sky.satellites[0].transponders[0]));
    EXPECT_EQ(out.locked, 0);
    EXPECT_EQ(rig.demod.Result().state, kDataSearchGaveUp);
    EXPECT_EQ(rig.demod.IsLocked(), 0);
}

TEST(FrontEnd, SignalReadingsFollowLevelAndNoiseAndHoldStill) {
    struct Case {
        std::size_t satellite, transponder;
        int levelLow, levelHigh, qualityLow, qualityHigh;
    };
    const Case cases[] = {
        {0, 4, 70, 90, 70, 95},  // 12622V, strong
        {0, 0, 70, 90, 70, 90},  // 11052V
        {0, 3, 20, 50, 20, 50},  // 12380H, weak
    };
    const sim::Sky sky = sim::DefaultSky();
    for (const Case& c : cases) {
        const auto& sat = sky.satellites[c.satellite];
        const auto& tp = sat.transponders[c.transponder];
        SCOPED_TRACE(tp.name);
        DemodRig rig;
        ASSERT_EQ(Tune(rig, RecordFor(sat, tp)).locked, 1);
        int level = 0;
        int quality = 0;
        rig.demod.GetSignalInfo(level, quality);
        EXPECT_GE(level, c.levelLow);
        EXPECT_LE(level, c.levelHigh);
        EXPECT_GE(quality, c.qualityLow);
        EXPECT_LE(quality, c.qualityHigh);
        for (int i = 0; i < 20; ++i) {
            int l = 0;
            int q = 0;
            rig.demod.GetSignalInfo(l, q);
            EXPECT_EQ(l, level);
            EXPECT_EQ(q, quality);
        }
    }
}

TEST(FrontEnd, NothingWithoutSignal) {
    DemodRig rig(OneTransponder(11200, 27500));
    int level = -1;
    int quality = -1;
    rig.demod.GetSignalInfo(level, quality);
    EXPECT_EQ(level, 0);
    EXPECT_EQ(quality, 0);
    EXPECT_EQ(rig.demod.IsLocked(), 0);
}

TEST(FrontEnd, FaultsBreakTheLock) {
    struct Case {
        const char* what;
        void (*inject)(sim::CSimFrontEnd&);
    };
    const Case cases[] = {
        {"demodulator stops answering", [](sim::CSimFrontEnd& f) { f.SetDemodSilent(true); }},
        {"fade", [](sim::CSimFrontEnd& f) { f.StartFade(20, 1000); }},
    };
    const sim::Sky sky = sim::DefaultSky();
    const auto& sat = sky.satellites[0];
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DemodRig rig;
        ASSERT_EQ(Tune(rig, RecordFor(sat, sat.transponders[4])).locked, 1);
        c.inject(*rig.frontEnd);
        EXPECT_EQ(rig.demod.IsLocked(), 0);
        EXPECT_FALSE(rig.frontEnd->LockedTransponder().has_value());
    }
}

TEST(FrontEnd, ScheduledFaultsComeAtTheirTime) {
    sim::Sky sky = sim::DefaultSky();
    sky.faults.fades.push_back({10000, 5000, 20});
    sky.faults.demodSilentAtMs = 30000;
    DemodRig rig(sky);
    const auto& sat = sky.satellites[0];
    ASSERT_EQ(Tune(rig, RecordFor(sat, sat.transponders[4])).locked, 1);
    rig.clock.Advance(10000 - rig.clock.NowMs());
    EXPECT_EQ(rig.demod.IsLocked(), 0) << "faded";
    rig.clock.Advance(5000);
    EXPECT_EQ(Tune(rig, RecordFor(sat, sat.transponders[4])).locked, 1) << "fade over";
    rig.clock.Advance(30000 - rig.clock.NowMs());
    EXPECT_FALSE(rig.demod.CheckId());
    EXPECT_EQ(rig.demod.IsLocked(), 0);
}

TEST(FrontEnd, AbsentTunerFindsNothing) {
    const sim::Sky sky = sim::DefaultSky();
    const auto& sat = sky.satellites[0];
    DemodRig rig;
    rig.frontEnd->SetTunerAbsent(true);
    EXPECT_EQ(Tune(rig, RecordFor(sat, sat.transponders[0])).locked, 0);
    sim::Sky scheduled = sky;
    scheduled.faults.tunerAbsent = true;
    DemodRig fromFile(scheduled);
    EXPECT_EQ(Tune(fromFile, RecordFor(sat, sat.transponders[0])).locked, 0);
}

TEST(FrontEnd, TheFrontEndOfACardCanBeFound) {
    DemodRig rig;
    EXPECT_EQ(sim::CSimFrontEnd::AttachedTo(rig.card), rig.frontEnd);
    sim::CSimCard bare;
    EXPECT_EQ(sim::CSimFrontEnd::AttachedTo(bare), nullptr);
}

}  // namespace
}  // namespace orbix::testing
