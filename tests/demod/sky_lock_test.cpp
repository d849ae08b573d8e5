#include <gtest/gtest.h>

#include "demod/tune_worker.h"
#include "tests/demod/demod_rig.h"

namespace orbix::testing {
namespace {

// Tunes a record the way the worker does; 1 when locked in range.
int TuneRecord(DemodRig& rig, const TransponderParams& r) {
    const TuneSettings s = SettingsFor(r);
    rig.demod.SetLnbSelect(s.lnbSelect);
    rig.demod.SetToneWanted(s.toneOn);
    return rig.demod.TuneTransponder(r.symbolRate, s.tunerFrequency);
}

TEST(SkyLock, EveryDefaultTransponderLocksFromItsRecord) {
    const sim::Sky sky = sim::DefaultSky();
    for (const auto& sat : sky.satellites) {
        for (const auto& tp : sat.transponders) {
            SCOPED_TRACE(tp.name);
            DemodRig rig;
            const TransponderParams r = RecordFor(sat, tp);
            ASSERT_EQ(TuneRecord(rig, r), 1);
            EXPECT_EQ(rig.demod.IsLocked(), 1);
            const double found =
                CorrectedFrequency(r.frequency, LoFor(sat, tp), rig.demod.FoundFrequency());
            EXPECT_NEAR(found, tp.frequencyMhz, 0.15);
            const auto locked = rig.frontEnd->LockedTransponder();
            ASSERT_TRUE(locked.has_value());
            EXPECT_EQ(locked->name, tp.name);
            int level = 0;
            int quality = 0;
            rig.demod.GetSignalInfo(level, quality);
            std::printf("%s level %d quality %d\n", tp.name.c_str(), level, quality);
        }
    }
}

}  // namespace
}  // namespace orbix::testing
