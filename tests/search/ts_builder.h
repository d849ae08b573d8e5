#pragma once

#include <cstdint>
#include <vector>

#include "sim/ts_mux.h"

namespace orbix::test {

using Bytes = std::vector<std::uint8_t>;

// Packets back to back, as the search's buffers hold them.
inline Bytes Join(const std::vector<sim::TsPacket>& packets) {
    Bytes out;
    for (const auto& p : packets) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline sim::TsPacket FillerPacket(std::uint16_t pid) {
    sim::TsPacket p;
    p.fill(0xAA);
    p[0] = 0x47;
    p[1] = static_cast<std::uint8_t>(pid >> 8);
    p[2] = static_cast<std::uint8_t>(pid & 0xFF);
    p[3] = 0x10;
    return p;
}

// A section cut into packets on pid.
inline std::vector<sim::TsPacket> Packets(std::uint16_t pid, const Bytes& section) {
    std::uint8_t continuity = 0;
    return sim::PacketizeSection(pid, section, continuity);
}

inline Bytes PatSection(std::vector<std::pair<std::uint16_t, std::uint16_t>> entries) {
    sim::MuxConfig config;
    config.networkEntry = false;
    for (auto [number, pid] : entries) config.programs.push_back({number, pid, 0, {}, false, 0});
    return sim::BuildPatSection(config);
}

inline void SetSectionLength(Bytes& section, int length) {
    section[1] = static_cast<std::uint8_t>((section[1] & 0xF0) | ((length >> 8) & 0x0F));
    section[2] = static_cast<std::uint8_t>(length & 0xFF);
}

}  // namespace orbix::test
