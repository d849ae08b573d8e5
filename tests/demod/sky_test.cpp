#include "sim/sky.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "support/card_fixture.h"

namespace orbix::testing {
namespace {

TEST(Sky, DefaultSkyCoversBothBandsPolarisationsAndRates) {
    const sim::Sky sky = sim::DefaultSky();
    ASSERT_EQ(sky.satellites.size(), 2u);
    bool low = false, high = false, v = false, h = false, inverted = false, cband = false;
    std::set<int> rates;
    for (const auto& sat : sky.satellites) {
        for (const auto& tp : sat.transponders) {
            EXPECT_EQ(tp.satellite, sat.name);
            low |= sat.lnb == sim::LnbKind::UniversalKu && tp.frequencyMhz < 11700;
            high |= sat.lnb == sim::LnbKind::UniversalKu && tp.frequencyMhz >= 11700;
            v |= tp.polarisation == sim::Polarisation::Vertical;
            h |= tp.polarisation == sim::Polarisation::Horizontal;
            inverted |= tp.inverted;
            cband |= sat.lnb == sim::LnbKind::CBand;
            rates.insert(tp.symbolRateKs);
        }
    }
    EXPECT_TRUE(low && high && v && h && inverted && cband);
    EXPECT_EQ(rates, (std::set<int>{5000, 22000, 27500}));
}

TEST(Sky, ParsesTheDocumentedFormat) {
    const auto parsed = sim::ParseSky(
        "# comment\r\n"
        "\n"
        "satellite Asia-3 c\n"
        "  transponder A1 3840.5 H 27500 3/4 inverted level=-45.5 cn=8 stream=mux:news  two  \n"
        "transponder A2 4000 V 5000 7/8\n"
        "satellite Empty none\n");
    ASSERT_TRUE(parsed.sky.has_value()) << parsed.error;
    const auto& sats = parsed.sky->satellites;
    ASSERT_EQ(sats.size(), 2u);
    EXPECT_EQ(sats[0].lnb, sim::LnbKind::CBand);
    EXPECT_EQ(sats[1].lnb, sim::LnbKind::None);
    ASSERT_EQ(sats[0].transponders.size(), 2u);
    const auto& a1 = sats[0].transponders[0];
    EXPECT_EQ(a1.satellite, "Asia-3");
    EXPECT_EQ(a1.name, "A1");
    EXPECT_DOUBLE_EQ(a1.frequencyMhz, 3840.5);
    EXPECT_EQ(a1.polarisation, sim::Polarisation::Horizontal);
    EXPECT_EQ(a1.symbolRateKs, 27500);
    EXPECT_EQ(a1.fec, sim::FecRate::R3_4);
    EXPECT_TRUE(a1.inverted);
    EXPECT_DOUBLE_EQ(a1.levelDbm, -45.5);
    EXPECT_DOUBLE_EQ(a1.cnDb, 8);
    EXPECT_EQ(a1.stream, "mux:news  two");
    const auto& a2 = sats[0].transponders[1];
    EXPECT_FALSE(a2.inverted);
    EXPECT_EQ(a2.fec, sim::FecRate::R7_8);
    EXPECT_EQ(a2.stream, "");
}

TEST(Sky, RefusesBadLinesSayingWhere) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"", "no satellite in the sky"},
        {"transponder A 11000 V 27500 3/4\n", "line 1: transponder before any satellite"},
        {"satellite S ku\nsatelite T ku\n", "line 2: unknown keyword"},
        {"satellite S\n", "line 1: satellite needs a name and an LNB"},
        {"satellite S ka\n", "line 1: unknown LNB"},
        {"satellite S ku extra\n", "line 1: unexpected text"},
        {"satellite S ku\ntransponder A 11000 V 27500\n", "line 2: transponder needs"},
        {"satellite S ku\ntransponder A 11k V 27500 3/4\n", "line 2: bad frequency"},
        {"satellite S ku\ntransponder A -5 V 27500 3/4\n", "line 2: bad frequency"},
        {"satellite S ku\ntransponder A 11000 L 27500 3/4\n", "line 2: bad polarisation"},
        {"satellite S ku\ntransponder A 11000 V 0 3/4\n", "line 2: bad symbol rate"},
        {"satellite S ku\ntransponder A 11000 V 27.5 3/4\n", "line 2: bad symbol rate"},
        {"satellite S ku\ntransponder A 11000 V 27500 4/5\n", "line 2: bad FEC"},
        {"satellite S ku\ntransponder A 11000 V 27500 3/4 level=x\n", "line 2: bad level"},
        {"satellite S ku\ntransponder A 11000 V 27500 3/4 cn=nan\n", "line 2: bad cn"},
        {"satellite S ku\ntransponder A 11000 V 27500 3/4 loud\n", "line 2: unknown option"},
    };
    for (const Case& c : cases) {
        const auto parsed = sim::ParseSky(c.text);
        EXPECT_FALSE(parsed.sky.has_value()) << c.text;
        EXPECT_EQ(parsed.error.rfind(c.error, 0), 0u) << parsed.error;
    }
}

TEST(Sky, ScheduledFaults) {
    const auto parsed = sim::ParseSky(
        "satellite S ku\n"
        "fade 20 10.5 15\n"
        "fade 0 1 3\n"
        "silent-demod 60\n"
        "no-tuner\n");
    ASSERT_TRUE(parsed.sky.has_value()) << parsed.error;
    const auto& f = parsed.sky->faults;
    ASSERT_EQ(f.fades.size(), 2u);
    EXPECT_EQ(f.fades[0].atMs, 20000);
    EXPECT_EQ(f.fades[0].durationMs, 10500);
    EXPECT_DOUBLE_EQ(f.fades[0].dropDb, 15);
    EXPECT_EQ(f.demodSilentAtMs, 60000);
    EXPECT_TRUE(f.tunerAbsent);
    EXPECT_FALSE(sim::DefaultSky().faults.tunerAbsent);
    EXPECT_TRUE(sim::DefaultSky().faults.fades.empty());

    const char* bad[] = {"fade 1 2\n",     "fade -1 2 3\n",       "fade 1 2 -3\n", "fade 1 2 3 4\n",
                         "silent-demod\n", "silent-demod soon\n", "no-tuner now\n"};
    for (const char* line : bad) {
        const auto r = sim::ParseSky(std::string("satellite S ku\n") + line);
        EXPECT_FALSE(r.sky.has_value()) << line;
        EXPECT_EQ(r.error.rfind("line 2: ", 0), 0u) << r.error;
    }
}

TEST(Sky, FileErrorsNameTheFile) {
    CTempDir dir;
    const auto missing = sim::LoadSkyFile((dir.Path() / "none.sky").string());
    EXPECT_FALSE(missing.sky.has_value());
    EXPECT_NE(missing.error.find("none.sky"), std::string::npos);

    const auto path = dir.Path() / "bad.sky";
    std::ofstream(path) << "satellite S ku\ntransponder\n";
    const auto bad = sim::LoadSkyFile(path.string());
    EXPECT_FALSE(bad.sky.has_value());
    EXPECT_NE(bad.error.find("bad.sky: line 2"), std::string::npos) << bad.error;

    const auto good = dir.Path() / "good.sky";
    std::ofstream(good) << "satellite S ku\ntransponder A 11000 V 27500 3/4\n";
    ASSERT_TRUE(sim::LoadSkyFile(good.string()).sky.has_value());
}

}  // namespace
}  // namespace orbix::testing
