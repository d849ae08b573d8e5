#pragma once

#include <string>

#include "db/channel_database.h"
#include "platform/text.h"
#include "sim/sky.h"

namespace orbix {

// The channel-database record a user would enter for a sky transponder: the
// C-band LNB's LO, or the universal Ku LNB's for the transponder's band.
inline TransponderParams RecordFor(const sim::SkySatellite& sat, const sim::SkyTransponder& tp) {
    const bool cBand = sat.lnb == sim::LnbKind::CBand;
    const int lo = cBand ? 5150 : tp.frequencyMhz >= 11700 ? 10600 : 9750;
    TransponderParams r;
    r.satellite = sat.name;
    r.name = tp.name;
    r.frequency = static_cast<float>(tp.frequencyMhz);
    r.symbolRate = tp.symbolRateKs;
    r.polarisation = Gbk(tp.polarisation == sim::Polarisation::Vertical ? "垂直" : "水平");
    r.lnbFrequency = std::to_string(lo);
    r.fec = std::string(sim::FecText(tp.fec));
    r.diseqc = Gbk("关");
    r.band = cBand ? "C" : "Ku";
    r.tone22k = Gbk(lo == 10600 ? "开" : "关");
    return r;
}

// Stores every transponder of the sky as RecordFor gives it.
inline void StoreSky(CChannelDatabase& database, const sim::Sky& sky) {
    for (const auto& sat : sky.satellites)
        for (const auto& tp : sat.transponders)
            database.AddTransponder(RecordFor(sat, tp), [] { return true; });
}

}  // namespace orbix
