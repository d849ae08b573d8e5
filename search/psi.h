#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "card/pid_filter.h"

namespace orbix {

inline constexpr int kTsPacketSize = 188;
inline constexpr int kTsPayloadSize = 184;
inline constexpr int kPacketsPerDatagram = 7;
inline constexpr int kDatagramSize = kTsPacketSize * kPacketsPerDatagram;  // 1316
inline constexpr std::uint8_t kTsSyncByte = 0x47;
inline constexpr std::uint8_t kCaDescriptorTag = 9;
// Descriptors that make a private-data stream (type 0x06) an audio stream:
// AC-3, E-AC-3 and DTS.
inline constexpr std::array<std::uint8_t, 3> kAudioDescriptorTags{0x6A, 0x7A, 0x7B};

// Largest section_length a PAT or PMT may carry.
inline constexpr int kMaxSectionLength = 1021;
inline constexpr int kPatCapacity = 64;
inline constexpr int kPmtStreamCapacity = 32;
// The first packet of a section plus enough continuation payloads for the
// longest legal section, wherever the pointer_field puts its start.
inline constexpr int kAssemblyAreaSize = kTsPacketSize + 6 * kTsPayloadSize;  // 1292

struct PatTable {
    std::uint8_t tableId = 0;
    std::uint16_t sectionLength = 0;
    std::array<PatEntry, kPatCapacity> entries{};
    int count = 0;
};

struct PmtStream {
    std::uint8_t streamType = 0;
    std::uint16_t pid = 0;
    std::uint16_t esInfoLength = 0;
    // Its ES_info carries one of kAudioDescriptorTags.
    bool audioDescriptor = false;
};

struct PmtTable {
    std::uint8_t tableId = 0;
    std::uint16_t sectionLength = 0;
    std::uint16_t programNumber = 0;
    std::uint16_t pcrPid = 0;
    std::uint16_t programInfoLength = 0;
    std::array<PmtStream, kPmtStreamCapacity> streams{};
    bool programScrambled = false;
    bool streamScrambled = false;
    int streamCount = 0;
};

// The packet's PID (13 bits).
inline std::uint16_t PacketPid(const std::uint8_t* packet) {
    return static_cast<std::uint16_t>(((packet[1] & 0x1F) << 8) | packet[2]);
}

// 1 when the packet starts with the sync byte, has no transport error and
// carries the PID; 0 otherwise. The packet must hold 188 bytes.
int CheckTsPacket(const std::uint8_t* packet, std::uint16_t pid);

// Where the section starting in this packet begins (after the adaptation
// field and the pointer_field), or -1 when the packet starts no section or
// its pointer_field points past the packet.
int SectionStart(const std::uint8_t* packet);

// The parsers below read packetCount packets of 188 bytes from the front of
// packets (never more than the span holds). Bytes that follow the counted
// packets are the continuation of the last packet's section, as
// AssembleSection leaves it; otherwise a section continues in the payloads
// of the later packets on its PID. A section is not taken when its
// section_length cannot hold its own header or exceeds the largest legal
// length, or when the bytes held end before its CRC_32 (which is not
// checked). Tables that list more than their capacity keep the first entries.

// Number of PAT entries, or -1 when no packet holds a usable PAT section
// (the table is then left as it was).
int ParsePat(std::span<const std::uint8_t> packets, int packetCount, PatTable& table);

// Copies the first packet that starts the PMT section of programNumber on
// pmtPid to the front of out, followed by the payloads of the packets that
// continue it. 1 when the section is complete in out, 0 otherwise.
int AssembleSection(std::uint16_t pmtPid, std::uint16_t programNumber,
                    std::span<const std::uint8_t> packets, int packetCount,
                    std::span<std::uint8_t> out);

// Number of streams, or -1 when no packet holds a usable PMT section on
// pmtPid (the table is then left as it was).
int ParsePmt(std::span<const std::uint8_t> packets, int packetCount, PmtTable& table,
             std::uint16_t pmtPid);

}  // namespace orbix
