#include <gtest/gtest.h>

#include <tuple>

#include "tests/demod/demod_rig.h"

namespace orbix::testing {
namespace {

TEST(FrontEnd, OnlyTheRightLnbToneRateAndACarrierWithinTheSearchRangeLock) {
    using R = TransponderParams&;
    // What, the built-in Sat-Ku transponder, the change to its record (none:
    // the tuner is absent), and whether it locks.
    const std::tuple<const char*, std::size_t, void (*)(R), bool> cases[] = {
        {"record 5 MHz above the carrier", 0, [](R r) { r.frequency += 5; }, true},
        {"record 9 MHz below", 0, [](R r) { r.frequency -= 9; }, false},
        {"5000 kS/s, record 1.2 MHz above", 3, [](R r) { r.frequency += 1.2f; }, true},
        {"5000 kS/s, record 6 MHz below", 3, [](R r) { r.frequency -= 6; }, false},
        {"horizontal", 0, [](R r) { r.polarisation = Gbk("水平"); }, false},
        {"27800 kS/s", 0, [](R r) { r.symbolRate = 27800; }, false},
        {"27600 kS/s", 0, [](R r) { r.symbolRate = 27600; }, true},
        {"tuner absent", 0, nullptr, false},
    };
    for (const auto& [what, index, change, locks] : cases) {
        SCOPED_TRACE(what);
        sim::Sky sky = BuiltInSky();
        sky.faults.tunerAbsent = change == nullptr;
        DemodRig rig(sky);
        TransponderParams r = BuiltInRecord(0, index);
        if (change != nullptr) change(r);
        const auto [locked, found] = TuneRecord(rig, r);
        EXPECT_EQ(std::pair(locked, rig.LockedName().empty()), std::pair(locks ? 1 : 0, !locks));
        EXPECT_NEAR(locks ? found : 0, locks ? BuiltInRecord(0, index).frequency : 0, 0.15);
        EXPECT_EQ(rig.frontEnd->TunerProgrammings() == 0, change == nullptr);
    }
}

TEST(Sky, ParsesTheDocumentedFormatAndRefusesBadLinesSayingWhere) {
    // What the built-in sky, written in this format, does not show already.
    const auto parsed = sim::ParseSky(
        "# comment\r\n\n"
        "satellite Asia-3 none\n"
        "  transponder A1 3840.5 H 27500 7/8 level=-45.5 stream=mux:news  two  \n"
        "fade 20 10.5 15\nsilent-demod 60\nno-tuner\n");
    ASSERT_TRUE(parsed.sky.has_value()) << parsed.error;
    EXPECT_EQ(parsed.sky->satellites.at(0).lnb, sim::LnbKind::None);
    const auto& a1 = parsed.sky->satellites.at(0).transponders.at(0);
    EXPECT_EQ(std::tuple(a1.frequencyMhz, a1.fec, a1.levelDbm, a1.stream),
              std::tuple(3840.5, sim::FecRate::R7_8, -45.5, std::string("mux:news  two")));
    const auto& f = parsed.sky->faults;
    ASSERT_EQ(f.fades.size(), 1u);
    EXPECT_EQ(std::tuple(f.fades[0].atMs, f.fades[0].durationMs, f.fades[0].dropDb,
                         f.demodSilentAtMs, f.tunerAbsent),
              std::tuple(20000, 10500, 15.0, 60000, true));

    // Text, error; "S" stands for "satellite S ku\n".
    const std::pair<std::string, const char*> bad[] = {
        {"", "no satellite in the sky"},
        {"transponder A 11000 V 27500 3/4\n", "line 1: transponder before any satellite"},
        {"S satelite T ku\n", "line 2: unknown keyword"},
        {"S transponder A 11000 V 27500\n", "line 2: transponder needs"},
        {"S transponder A 11000 V 27500 3/4 level=x\n", "line 2: bad level"},
        {"S fade -1 2 3\n", "line 2: "},
    };
    for (auto [text, error] : bad) {
        if (text.starts_with("S ")) text.replace(0, 2, "satellite S ku\n");
        const auto refused = sim::ParseSky(text);
        EXPECT_TRUE(!refused.sky && refused.error.starts_with(error)) << text << refused.error;
    }
}

}  // namespace
}  // namespace orbix::testing
