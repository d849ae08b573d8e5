#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orbix {

inline constexpr std::uint16_t kNitPid = 0x10;
inline constexpr std::uint16_t kSdtPid = 0x11;
inline constexpr std::uint8_t kNitActualTableId = 0x40;
inline constexpr std::uint8_t kSdtActualTableId = 0x42;

// The header fields every long section of the service tables shares.
struct SectionHeader {
    std::uint8_t tableId = 0;
    std::uint16_t tableIdExtension = 0;  // transport_stream_id, network_id
    std::uint8_t version = 0;
    bool current = false;
    std::uint8_t sectionNumber = 0;
    std::uint8_t lastSectionNumber = 0;
};

// One service of the service description table: the service descriptor's
// name and provider, as broadcast (not yet decoded).
struct SdtService {
    std::uint16_t serviceId = 0;
    bool hasServiceDescriptor = false;
    std::uint8_t serviceType = 0;
    std::vector<std::uint8_t> provider;
    std::vector<std::uint8_t> name;
};

struct SdtSection {
    SectionHeader header;
    std::uint16_t originalNetworkId = 0;
    std::vector<SdtService> services;
};

// A satellite delivery system descriptor, its BCD fields as numbers.
struct SatelliteDelivery {
    std::uint32_t frequency10kHz = 0;   // 1262200 is 12622.00 MHz
    std::uint16_t orbitalPosition = 0;  // tenths of a degree: 1005 is 100.5
    bool east = false;
    std::uint8_t polarisation = 0;  // 0 H, 1 V, 2 circular left, 3 right
    std::uint8_t rollOff = 0;
    bool dvbS2 = false;               // modulation_system
    std::uint8_t modulationType = 0;  // 0 auto, 1 QPSK, 2 8PSK, 3 16-QAM
    std::uint32_t symbolRate100 = 0;  // 100 S/s units: 275000 is 27500 kS/s
    std::uint8_t fecInner = 0;        // 1 1/2, 2 2/3, 3 3/4, 4 5/6, 5 7/8 ...
};

struct NitTransportStream {
    std::uint16_t transportStreamId = 0;
    std::uint16_t originalNetworkId = 0;
    std::vector<SatelliteDelivery> deliveries;
};

struct NitSection {
    SectionHeader header;
    std::vector<NitTransportStream> streams;
};

// Parsers of one whole section (table_id to CRC_32). Nothing is read past
// the bytes given or past the section's own lengths: a section whose
// section_length does not fit the bytes, whose CRC_32 is wrong, or that is
// not of the table asked for gives nullopt; a descriptor or loop cut short
// ends its loop with what was complete before it.
std::optional<SectionHeader> ParseSectionHeader(std::span<const std::uint8_t> section);
std::optional<SdtSection> ParseSdtSection(std::span<const std::uint8_t> section);
std::optional<NitSection> ParseNitSection(std::span<const std::uint8_t> section);

// Whole sections out of the transport packets of one PID, as they come:
// a section may start anywhere the pointer_field says, span packets, and
// share a packet with the next. A lost packet (continuity counter) drops the
// section in progress.
class CSectionCollector {
  public:
    explicit CSectionCollector(std::uint16_t pid) : m_pid(pid) {}
    // Takes one 188-byte packet; packets of other PIDs, with a transport
    // error or without payload are ignored. Complete sections are appended
    // to out.
    void Feed(std::span<const std::uint8_t> packet, std::vector<std::vector<std::uint8_t>>& out);

  private:
    void Take(std::span<const std::uint8_t> bytes, std::vector<std::vector<std::uint8_t>>& out);

    std::uint16_t m_pid;
    std::vector<std::uint8_t> m_partial;
    bool m_collecting = false;
    int m_lastContinuity = -1;
};

// The sections of one table (of tableId, and of the extension its first
// section has) of its current version. Complete once every section from 0
// to last_section_number is in; a new version starts it afresh.
class CTableGatherer {
  public:
    explicit CTableGatherer(std::uint8_t tableId) : m_tableId(tableId) {}
    // Takes a section that ParseSectionHeader accepts; others are ignored.
    void Add(std::span<const std::uint8_t> section);
    bool Complete() const;
    // The sections in section_number order.
    std::vector<std::vector<std::uint8_t>> Sections() const;

  private:
    std::uint8_t m_tableId;
    std::optional<SectionHeader> m_first;
    std::map<std::uint8_t, std::vector<std::uint8_t>> m_sections;
};

}  // namespace orbix
