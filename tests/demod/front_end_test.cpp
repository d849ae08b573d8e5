#include <gtest/gtest.h>

#include <tuple>

#include "tests/demod/demod_rig.h"

namespace orbix::testing {
namespace {

// A sky of one vertical Ku transponder, T on satellite S, written as a sky
// file would; options follow the FEC.
sim::Sky OneTransponder(double mhz, int rateKs, const std::string& fecAndOptions = "3/4") {
    return *sim::ParseSky("satellite S ku\ntransponder T " + std::to_string(mhz) + " V " +
                          std::to_string(rateKs) + " " + fecAndOptions + "\n")
                .sky;
}

TEST(FrontEnd, CarrierOffFromTheRecordLocksWithinTheSearchRange) {
    // Symbol rate, carrier offset from the record, and whether it locks.
    const std::tuple<int, double, bool> cases[] = {
        {27500, -5.0, true},
        {27500, 9.0, false},
        {5000, -1.2, true},
        {5000, 6.0, false},
    };
    for (const auto& [rateKs, offsetMhz, locks] : cases) {
        SCOPED_TRACE(::testing::Message() << rateKs << " kS/s, " << offsetMhz << " MHz");
        const sim::Sky sky = OneTransponder(11200.0 + offsetMhz, rateKs);
        DemodRig rig(sky);
        TransponderParams r = RecordFor(sky.satellites[0], sky.satellites[0].transponders[0]);
        r.frequency = 11200.0f;
        const auto [locked, found] = TuneRecord(rig, r);
        EXPECT_EQ(locked, locks ? 1 : 0);
        EXPECT_EQ(rig.frontEnd->LockedTransponder().has_value(), locks);
        if (locks) {
            EXPECT_NEAR(found, 11200.0 + offsetMhz, 0.15);
        }
    }
}

TEST(FrontEnd, OnlyTheRightLnbToneLoAndRateLock) {
    using R = TransponderParams&;
    // What, the change to the 11052 V 27500 record (none: the tuner is absent), locks.
    const std::tuple<const char*, void (*)(R), bool> cases[] = {
        {"horizontal", [](R r) { r.polarisation = Gbk("水平"); }, false},
        {"27800 kS/s", [](R r) { r.symbolRate = 27800; }, false},
        {"27600 kS/s", [](R r) { r.symbolRate = 27600; }, true},
        {"tuner absent", nullptr, false},
    };
    for (const auto& [what, change, locks] : cases) {
        SCOPED_TRACE(what);
        sim::Sky sky = BuiltInSky();
        sky.faults.tunerAbsent = change == nullptr;
        DemodRig rig(sky);
        TransponderParams r = BuiltInRecord(0, 0);
        if (change != nullptr) change(r);
        EXPECT_EQ(TuneRecord(rig, r).first, locks ? 1 : 0);
        EXPECT_EQ(rig.frontEnd->TunerProgrammings() == 0, change == nullptr);
    }
}

TEST(Sky, ParsesTheDocumentedFormatAndFaults) {
    // What the built-in sky, written in this format, does not show already.
    const auto parsed = sim::ParseSky(
        "# comment\r\n\n"
        "satellite Asia-3 none\n"
        "  transponder A1 3840.5 H 27500 7/8 level=-45.5 stream=mux:news  two  \n"
        "fade 20 10.5 15\n"
        "silent-demod 60\n"
        "no-tuner\n");
    ASSERT_TRUE(parsed.sky.has_value()) << parsed.error;
    EXPECT_EQ(parsed.sky->satellites.at(0).lnb, sim::LnbKind::None);
    const auto& a1 = parsed.sky->satellites.at(0).transponders.at(0);
    EXPECT_EQ(std::tuple(a1.frequencyMhz, a1.fec, a1.levelDbm, a1.stream),
              std::tuple(3840.5, sim::FecRate::R7_8, -45.5, std::string("mux:news  two")));
    const auto& f = parsed.sky->faults;
    ASSERT_EQ(f.fades.size(), 1u);
    EXPECT_EQ(std::tuple(f.fades[0].atMs, f.fades[0].durationMs, f.fades[0].dropDb),
              std::tuple(20000, 10500, 15.0));
    EXPECT_EQ(f.demodSilentAtMs, 60000);
    EXPECT_TRUE(f.tunerAbsent);
}

TEST(Sky, RefusesBadLinesSayingWhere) {
    // Text (after "satellite S ku" when the error is on line 2), error.
    const std::pair<const char*, const char*> cases[] = {
        {"", "no satellite in the sky"},
        {"transponder A 11000 V 27500 3/4\n", "line 1: transponder before any satellite"},
        {"satelite T ku\n", "line 2: unknown keyword"},
        {"transponder A 11000 V 27500\n", "line 2: transponder needs"},
        {"transponder A 11000 V 27500 3/4 level=x\n", "line 2: bad level"},
        {"fade -1 2 3\n", "line 2: "},
    };
    for (const auto& [line, error] : cases) {
        const bool second = std::string_view(error).starts_with("line 2");
        const std::string text = std::string(second ? "satellite S ku\n" : "") + line;
        const auto parsed = sim::ParseSky(text);
        EXPECT_TRUE(!parsed.sky && parsed.error.starts_with(error)) << text << parsed.error;
    }
}

}  // namespace
}  // namespace orbix::testing
