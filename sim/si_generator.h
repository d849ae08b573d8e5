#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/sky.h"
#include "sim/ts_mux.h"

namespace orbix::sim {

// What a generated multiplex says about itself and its satellite in its
// service tables.
struct SiContext {
    std::uint16_t networkId = 1;
    std::uint16_t transportStreamId = 1;
    std::uint16_t orbitalPosition = 1005;  // tenths of a degree
    bool east = true;
    std::string networkName;
    // The transponders of the satellite, the multiplex's own among them.
    std::vector<SkyTransponder> transponders;
};

// The context of transponder index of satellite satelliteIndex of the sky:
// network 1 + satelliteIndex at 100.5 + 10 x satelliteIndex degrees east,
// transport streams numbered from 1 in the satellite's order.
SiContext SiContextOf(const Sky& sky, std::size_t satelliteIndex, std::size_t index);

// The name of program i (0-based) of a multiplex as its SDT carries it: even
// programs Chinese, sent with the GB2312 selector; odd ones Latin, in the
// default table (one with a diacritic). Distinct within a multiplex.
std::vector<std::uint8_t> ServiceNameBytes(std::size_t i);
// The same name as UTF-8, as a receiver shows it.
std::string ServiceNameUtf8(std::size_t i);
std::vector<std::uint8_t> ServiceProviderBytes(std::size_t i);

// The SDT (actual) sections of the multiplex and the NIT (actual) sections
// of its satellite, with their CRC_32 and PIDs 0x11 and 0x10.
std::vector<MuxSection> BuildSiSections(const MuxConfig& config, const SiContext& si);

}  // namespace orbix::sim
