#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>

#include "demod/tune_worker.h"
#include "platform/text.h"
#include "sim/front_end.h"
#include "support/card_fixture.h"
#include "support/sky_record.h"

namespace orbix::testing {

// The simulated card with its logic loaded, the simulated front end in front
// of a sky, and the demodulator driver on top; virtual time throughout.
struct DemodRig : CardFixture {
    explicit DemodRig(sim::Sky sky = sim::DefaultSky()) {
        frontEnd = sim::CSimFrontEnd::Create(std::move(sky), clock);
        frontEnd->AttachTo(card);
        LoadLogic();
        demod.SetCardAccess(&access);
        demod.Init(true);
    }

    // The sky transponder the chip is locked to, or "".
    std::string LockedName() const {
        return frontEnd->LockedTransponder().value_or(sim::SkyTransponder{}).name;
    }

    std::shared_ptr<sim::CSimFrontEnd> frontEnd;
    CDemod demod;
};

// The built-in sky, parsed once: satellite 0 is Sat-Ku, 1 is Sat-C.
inline const sim::Sky& BuiltInSky() {
    static const sim::Sky sky = sim::DefaultSky();
    return sky;
}
inline TransponderParams BuiltInRecord(std::size_t satellite, std::size_t transponder) {
    const auto& sat = BuiltInSky().satellites[satellite];
    return RecordFor(sat, sat.transponders[transponder]);
}

// Level and quality as the driver reads them.
inline std::pair<int, int> SignalOf(CDemod& demod) {
    int level = -1, quality = -1;
    demod.GetSignalInfo(level, quality);
    return {level, quality};
}

struct TuneOutcome {
    int locked = 0;
    double found = 0;  // MHz, as the worker writes it back
};

// Tunes a record the way the worker does.
inline TuneOutcome TuneRecord(DemodRig& rig, const TransponderParams& r) {
    const TuneSettings s = SettingsFor(r);
    rig.demod.SetLnbSelect(s.lnbSelect);
    rig.demod.SetToneWanted(s.toneOn);
    const int locked = rig.demod.TuneTransponder(r.symbolRate, s.tunerFrequency);
    return {locked, CorrectedFrequency(r.frequency, s.lo, rig.demod.FoundFrequency())};
}

}  // namespace orbix::testing
