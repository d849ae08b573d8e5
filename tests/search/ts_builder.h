#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"
#include "search/search_pass.h"
#include "sim/ts_mux.h"

namespace orbix::test {

using Bytes = std::vector<std::uint8_t>;

// Packets back to back, as the search's buffers hold them.
inline Bytes Join(const std::vector<sim::TsPacket>& packets) { return sim::JoinPackets(packets); }

inline sim::TsPacket FillerPacket(std::uint16_t pid) {
    sim::TsPacket p;
    p.fill(0xAA);
    std::ranges::copy(std::array<int, 4>{0x47, pid >> 8, pid & 0xFF, 0x10}, p.begin());
    return p;
}

// A section cut into packets on pid.
inline std::vector<sim::TsPacket> Packets(std::uint16_t pid, const Bytes& section) {
    return sim::PacketizeSection(pid, section);
}

inline Bytes PatSection(std::vector<std::pair<std::uint16_t, std::uint16_t>> entries) {
    sim::MuxConfig config;
    config.networkEntry = false;
    for (auto [number, pid] : entries) config.programs.push_back({number, pid, 0, {}, false, 0});
    return sim::BuildPatSection(config);
}

// Sets section_length of the section starting at byte at.
inline void SetSectionLength(Bytes& bytes, int length, std::size_t at = 0) {
    bytes[at + 1] = static_cast<std::uint8_t>((bytes[at + 1] & 0xF0) | ((length >> 8) & 0x0F));
    bytes[at + 2] = static_cast<std::uint8_t>(length & 0xFF);
}

// The record the search makes of program p, PAT entry patIndex, from what
// its PMT says: the rules of MakeProgramEntry are checked on their own.
inline ProgramEntry EntryOf(int keyNumber, int patIndex, const sim::MuxProgram& p) {
    SearchRow row;
    row.streamCount = static_cast<int>(p.streams.size());
    row.programScrambled = p.scrambled;
    row.pcrPid = p.pcrPid;
    for (std::size_t k = 0; k < p.streams.size(); ++k) {
        row.streamTypes[k] = p.streams[k].streamType;
        row.streamPids[k] = p.streams[k].pid;
        row.audioDescriptors[k] =
            std::ranges::find(kAudioDescriptorTags, p.streams[k].descriptorTag) !=
            kAudioDescriptorTags.end();
        row.streamScrambled = row.streamScrambled || p.streams[k].scrambled;
    }
    return MakeProgramEntry(keyNumber, patIndex, {p.number, p.pmtPid}, row);
}

// A stored record as one UTF-8 line: key|name|type|pmt|audio 1|audio 2|video|pcr.
inline std::string Fields(const ProgramEntry& e) {
    return Utf8(e.key) + "|" + Utf8(e.name) + "|" + Utf8(e.type) + "|" + e.pmtPid + "|" +
           e.audioPid1 + "|" + e.audioPid2 + "|" + e.videoPid + "|" + e.pcrPid;
}

}  // namespace orbix::test
