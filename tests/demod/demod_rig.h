#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "db/channel_database.h"
#include "demod/demod.h"
#include "platform/text.h"
#include "sim/front_end.h"
#include "sim/sky.h"
#include "support/card_fixture.h"

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

    std::shared_ptr<sim::CSimFrontEnd> frontEnd;
    CDemod demod;
};

// The LO a record names for a sky transponder: the C-band LNB's, or the
// universal Ku LNB's for the transponder's band.
inline int LoFor(const sim::SkySatellite& sat, const sim::SkyTransponder& tp) {
    if (sat.lnb == sim::LnbKind::CBand) return 5150;
    return tp.frequencyMhz >= 11700 ? 10600 : 9750;
}

// The channel-database record a user would enter for a sky transponder.
inline TransponderParams RecordFor(const sim::SkySatellite& sat, const sim::SkyTransponder& tp) {
    TransponderParams r;
    r.satellite = sat.name;
    r.name = tp.name;
    r.frequency = static_cast<float>(tp.frequencyMhz);
    r.symbolRate = tp.symbolRateKs;
    r.polarisation = Gbk(tp.polarisation == sim::Polarisation::Vertical ? "垂直" : "水平");
    const int lo = LoFor(sat, tp);
    r.lnbFrequency = std::to_string(lo);
    r.fec = std::string(sim::FecText(tp.fec));
    r.diseqc = Gbk("关");
    r.band = sat.lnb == sim::LnbKind::CBand ? "C" : "Ku";
    r.tone22k = Gbk(lo == 10600 ? "开" : "关");
    return r;
}

}  // namespace orbix::testing
