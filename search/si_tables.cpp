#include "search/si_tables.h"

#include "search/psi.h"

namespace orbix {
namespace {

constexpr std::size_t kLongHeaderBytes = 8;  // table_id .. last_section_number
constexpr std::size_t kCrcBytes = 4;
constexpr std::uint8_t kServiceDescriptorTag = 0x48;
constexpr std::uint8_t kSatelliteDeliveryTag = 0x43;
constexpr std::size_t kSatelliteDeliveryLength = 11;

std::uint32_t Crc32(std::span<const std::uint8_t> data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : data) {
        crc ^= static_cast<std::uint32_t>(byte) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

std::uint16_t Be16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}

std::uint16_t Length12(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(((b[at] & 0x0F) << 8) | b[at + 1]);
}

// The section's bytes between its header (headerBytes from its start) and
// its CRC_32, or nullopt when it is not a whole, correct section of table
// id; the CRC_32 over the whole section must leave 0.
std::optional<std::span<const std::uint8_t>> Body(std::span<const std::uint8_t> section,
                                                  std::uint8_t tableId, std::size_t headerBytes) {
    if (section.size() < headerBytes + kCrcBytes || section[0] != tableId) return std::nullopt;
    const std::size_t total = 3 + Length12(section, 1);
    if (total > section.size() || total < headerBytes + kCrcBytes) return std::nullopt;
    section = section.first(total);
    if (Crc32(section) != 0) return std::nullopt;
    return section.subspan(headerBytes, total - headerBytes - kCrcBytes);
}

// Calls take(tag, body) for each whole descriptor of the loop; a descriptor
// that runs past the loop ends it.
template <typename Take>
void ForEachDescriptor(std::span<const std::uint8_t> loop, Take take) {
    std::size_t at = 0;
    while (at + 2 <= loop.size()) {
        const std::size_t length = loop[at + 1];
        if (at + 2 + length > loop.size()) return;
        take(loop[at], loop.subspan(at + 2, length));
        at += 2 + length;
    }
}

void ReadServiceDescriptor(std::span<const std::uint8_t> d, SdtService& service) {
    if (d.size() < 2) return;
    const std::size_t providerLength = d[1];
    if (2 + providerLength + 1 > d.size()) return;
    const std::size_t nameLength = d[2 + providerLength];
    if (3 + providerLength + nameLength > d.size()) return;
    service.hasServiceDescriptor = true;
    service.serviceType = d[0];
    service.provider.assign(d.begin() + 2, d.begin() + 2 + static_cast<long>(providerLength));
    const auto name = d.subspan(3 + providerLength, nameLength);
    service.name.assign(name.begin(), name.end());
}

// A BCD field of digits nibbles from the high end of value; nullopt when a
// nibble is not a decimal digit.
std::optional<std::uint32_t> Bcd(std::uint32_t value, int digits, int topShift) {
    std::uint32_t out = 0;
    for (int k = 0; k < digits; ++k) {
        const std::uint32_t nibble = (value >> (topShift - 4 * k)) & 0x0F;
        if (nibble > 9) return std::nullopt;
        out = out * 10 + nibble;
    }
    return out;
}

std::optional<SatelliteDelivery> ReadSatelliteDelivery(std::span<const std::uint8_t> d) {
    if (d.size() < kSatelliteDeliveryLength) return std::nullopt;
    const std::uint32_t f =
        (static_cast<std::uint32_t>(d[0]) << 24) | (d[1] << 16) | (d[2] << 8) | d[3];
    const std::uint32_t sr =
        (static_cast<std::uint32_t>(d[7]) << 24) | (d[8] << 16) | (d[9] << 8) | d[10];
    const auto frequency = Bcd(f, 8, 28);
    const auto position = Bcd(Be16(d, 4), 4, 12);
    const auto symbolRate = Bcd(sr, 7, 28);
    if (!frequency || !position || !symbolRate) return std::nullopt;
    SatelliteDelivery out;
    out.frequency10kHz = *frequency;
    out.orbitalPosition = static_cast<std::uint16_t>(*position);
    out.east = (d[6] & 0x80) != 0;
    out.polarisation = static_cast<std::uint8_t>((d[6] >> 5) & 0x03);
    out.rollOff = static_cast<std::uint8_t>((d[6] >> 3) & 0x03);
    out.dvbS2 = (d[6] & 0x04) != 0;
    out.modulationType = static_cast<std::uint8_t>(d[6] & 0x03);
    out.symbolRate100 = *symbolRate;
    out.fecInner = static_cast<std::uint8_t>(d[10] & 0x0F);
    return out;
}

}  // namespace

std::optional<SectionHeader> ParseSectionHeader(std::span<const std::uint8_t> section) {
    if (section.empty() || !Body(section, section[0], kLongHeaderBytes)) return std::nullopt;
    SectionHeader h;
    h.tableId = section[0];
    h.tableIdExtension = Be16(section, 3);
    h.version = static_cast<std::uint8_t>((section[5] >> 1) & 0x1F);
    h.current = (section[5] & 0x01) != 0;
    h.sectionNumber = section[6];
    h.lastSectionNumber = section[7];
    return h;
}

std::optional<SdtSection> ParseSdtSection(std::span<const std::uint8_t> section) {
    constexpr std::size_t kHeader = kLongHeaderBytes + 3;  // original_network_id, reserved
    const auto body = Body(section, kSdtActualTableId, kHeader);
    if (!body) return std::nullopt;
    SdtSection out;
    out.header = *ParseSectionHeader(section);
    out.originalNetworkId = Be16(section, 8);
    const std::span<const std::uint8_t> loop = *body;
    std::size_t at = 0;
    while (at + 5 <= loop.size()) {
        const std::size_t length = Length12(loop, at + 3);
        if (at + 5 + length > loop.size()) break;
        SdtService service;
        service.serviceId = Be16(loop, at);
        ForEachDescriptor(loop.subspan(at + 5, length), [&](std::uint8_t tag, auto d) {
            if (tag == kServiceDescriptorTag && !service.hasServiceDescriptor)
                ReadServiceDescriptor(d, service);
        });
        out.services.push_back(std::move(service));
        at += 5 + length;
    }
    return out;
}

std::optional<NitSection> ParseNitSection(std::span<const std::uint8_t> section) {
    const auto body = Body(section, kNitActualTableId, kLongHeaderBytes);
    if (!body) return std::nullopt;
    NitSection out;
    out.header = *ParseSectionHeader(section);
    std::span<const std::uint8_t> rest = *body;
    if (rest.size() < 2) return out;
    const std::size_t networkDescriptors = Length12(rest, 0);
    if (2 + networkDescriptors + 2 > rest.size()) return out;
    rest = rest.subspan(2 + networkDescriptors);
    const std::size_t loopLength = Length12(rest, 0);
    const auto loop = rest.subspan(2, std::min(loopLength, rest.size() - 2));
    std::size_t at = 0;
    while (at + 6 <= loop.size()) {
        const std::size_t length = Length12(loop, at + 4);
        if (at + 6 + length > loop.size()) break;
        NitTransportStream ts;
        ts.transportStreamId = Be16(loop, at);
        ts.originalNetworkId = Be16(loop, at + 2);
        ForEachDescriptor(loop.subspan(at + 6, length), [&](std::uint8_t tag, auto d) {
            if (tag != kSatelliteDeliveryTag) return;
            if (auto delivery = ReadSatelliteDelivery(d)) ts.deliveries.push_back(*delivery);
        });
        out.streams.push_back(std::move(ts));
        at += 6 + length;
    }
    return out;
}

void CSectionCollector::Feed(std::span<const std::uint8_t> packet,
                             std::vector<std::vector<std::uint8_t>>& out) {
    if (packet.size() < static_cast<std::size_t>(kTsPacketSize) || packet[0] != kTsSyncByte ||
        (packet[1] & 0x80) != 0 || PacketPid(packet.data()) != m_pid)
        return;
    const int control = (packet[3] >> 4) & 0x03;
    if ((control & 0x01) == 0) return;  // no payload
    const int continuity = packet[3] & 0x0F;
    if (m_lastContinuity >= 0 && continuity == m_lastContinuity) return;  // repeated packet
    if (m_lastContinuity >= 0 && continuity != ((m_lastContinuity + 1) & 0x0F)) {
        m_collecting = false;
        m_partial.clear();
    }
    m_lastContinuity = continuity;
    std::size_t at = 4;
    if (control == 0x03) at += 1 + static_cast<std::size_t>(packet[4]);
    if (at >= packet.size()) return;
    auto payload = packet.subspan(at);
    if ((packet[1] & 0x40) == 0) {
        if (m_collecting) Take(payload, out);
        return;
    }
    const std::size_t pointer = payload[0];
    if (1 + pointer > payload.size()) {
        m_collecting = false;
        m_partial.clear();
        return;
    }
    if (m_collecting) Take(payload.subspan(1, pointer), out);
    m_partial.clear();
    m_collecting = true;
    Take(payload.subspan(1 + pointer), out);
}

// Appends bytes to the section in progress; each section completed goes to
// out and the bytes after it start the next, until stuffing (0xFF) ends the
// packet's sections.
void CSectionCollector::Take(std::span<const std::uint8_t> bytes,
                             std::vector<std::vector<std::uint8_t>>& out) {
    while (m_collecting && !bytes.empty()) {
        if (m_partial.empty() && bytes[0] == 0xFF) {
            m_collecting = false;
            return;
        }
        const std::size_t need =
            m_partial.size() < 3 ? 3 : 3 + static_cast<std::size_t>(Length12(m_partial, 1));
        const std::size_t n = std::min(need - m_partial.size(), bytes.size());
        m_partial.insert(m_partial.end(), bytes.begin(), bytes.begin() + static_cast<long>(n));
        bytes = bytes.subspan(n);
        if (m_partial.size() < 3) return;
        const std::size_t total = 3 + static_cast<std::size_t>(Length12(m_partial, 1));
        if (total > 3 + static_cast<std::size_t>(kMaxSectionLength)) {
            m_collecting = false;  // not a section this table can have
            m_partial.clear();
            return;
        }
        if (m_partial.size() == total) {
            out.push_back(std::move(m_partial));
            m_partial.clear();
        }
    }
}

void CTableGatherer::Add(std::span<const std::uint8_t> section) {
    const auto h = ParseSectionHeader(section);
    if (!h || !h->current || h->tableId != m_tableId) return;
    const bool sameTable = m_first && m_first->tableIdExtension == h->tableIdExtension;
    if (m_first && sameTable &&
        (m_first->version != h->version || m_first->lastSectionNumber != h->lastSectionNumber)) {
        m_first.reset();
        m_sections.clear();
    }
    if (m_first && !sameTable) return;
    if (!m_first) m_first = h;
    if (h->sectionNumber > h->lastSectionNumber) return;
    m_sections.try_emplace(h->sectionNumber, section.begin(), section.end());
}

bool CTableGatherer::Complete() const {
    return m_first && m_sections.size() == static_cast<std::size_t>(m_first->lastSectionNumber) + 1;
}

std::vector<std::vector<std::uint8_t>> CTableGatherer::Sections() const {
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto& [number, bytes] : m_sections) out.push_back(bytes);
    return out;
}

}  // namespace orbix
