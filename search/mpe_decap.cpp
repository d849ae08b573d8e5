#include "search/mpe_decap.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace orbix {
namespace {

constexpr int kPacket = 188;
constexpr std::uint8_t kDatagramTable = 0x3E;
constexpr std::size_t kHeader = 12;  // table_id up to MAC_address_1
constexpr std::size_t kTrailer = 4;  // CRC_32 or checksum
constexpr std::size_t kMaxSectionLength = 4093;
constexpr std::size_t kLlcSnap = 8;

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i << 24;
        for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
        table[i] = c;
    }
    return table;
}
constexpr auto kCrcTable = MakeCrcTable();

// The transport stream's CRC-32: over a section with its CRC it gives 0.
std::uint32_t Crc32(std::span<const std::uint8_t> data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t b : data) crc = (crc << 8) ^ kCrcTable[((crc >> 24) ^ b) & 0xFF];
    return crc;
}

std::uint32_t XorWords(std::span<const std::uint8_t> data) {
    std::uint32_t x = 0;
    for (std::size_t i = 0; i < data.size(); ++i) x ^= std::uint32_t{data[i]} << (24 - 8 * (i % 4));
    return x;
}

unsigned Be16(const std::uint8_t* p) { return (unsigned{p[0]} << 8) | p[1]; }

}  // namespace

bool MpeChecksumOk(std::span<const std::uint8_t> section) {
    return XorWords(section) == 0xFFFFFFFFu;
}

bool ParseMac(std::string_view text, MacAddress& mac) {
    if (text.size() != 17) return false;
    MacAddress out{};
    for (std::size_t i = 0; i < 6; ++i) {
        const std::string_view pair = text.substr(i * 3, 2);
        if (i < 5 && text[i * 3 + 2] != ':' && text[i * 3 + 2] != '-') return false;
        unsigned v = 0;
        for (const char c : pair) {
            const int d = (c >= '0' && c <= '9')   ? c - '0'
                          : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                   : -1;
            if (d < 0) return false;
            v = v * 16 + static_cast<unsigned>(d);
        }
        out[i] = static_cast<std::uint8_t>(v);
    }
    mac = out;
    return true;
}

CMpeDecapsulator::CMpeDecapsulator(Sink sink, MacFilter filter)
    : m_sink(std::move(sink)), m_filter(filter) {}

void CMpeDecapsulator::SetPids(std::span<const std::uint16_t> pids) {
    m_pids.clear();
    for (const std::uint16_t pid : pids) m_pids[pid & 0x1FFF];
}

void CMpeDecapsulator::FeedPackets(std::span<const std::uint8_t> packets) {
    for (std::size_t at = 0; at + kPacket <= packets.size(); at += kPacket) Feed(&packets[at]);
}

void CMpeDecapsulator::Abandon(Assembly& a) {
    if (a.active) ++m_counters.malformed;
    a.active = false;
    a.bytes.clear();
}

void CMpeDecapsulator::Feed(const std::uint8_t* packet) {
    if (packet[0] != 0x47) return;
    const auto it = m_pids.find(static_cast<std::uint16_t>(Be16(packet + 1) & 0x1FFF));
    if (it == m_pids.end()) return;
    Assembly& a = it->second;
    if ((packet[1] & 0x80) != 0) return Abandon(a);  // the demodulator could not correct it
    if ((packet[3] & 0xC0) != 0) {
        ++m_counters.scrambled;
        a.continuity = -1;
        a.active = false;
        a.bytes.clear();
        return;
    }
    const int control = (packet[3] >> 4) & 3;
    if ((control & 1) == 0) return;  // no payload; the counter does not move
    const int cc = packet[3] & 0x0F;
    if (a.continuity >= 0) {
        if (cc == a.continuity) return;                     // a repeated packet
        if (cc != ((a.continuity + 1) & 0x0F)) Abandon(a);  // packets were lost
    }
    a.continuity = cc;
    const std::uint8_t* data = packet + 4;
    const std::uint8_t* const end = packet + kPacket;
    if (control == 3) data += 1 + *data;
    if (data >= end) return Abandon(a);
    if ((packet[1] & 0x40) == 0) {
        if (a.active) Continue(a, data, end);
        return;  // after a section ends here, the rest is stuffing
    }
    const std::uint8_t pointer = *data++;
    if (pointer > end - data) {
        ++m_counters.malformed;
        a.active = false;
        a.bytes.clear();
        return;
    }
    const std::uint8_t* next = data + pointer;
    if (a.active) {
        Continue(a, data, next);
        if (a.active) Abandon(a);  // the next section starts before this one ended
    }
    StartSections(a, next, end);
}

void CMpeDecapsulator::StartSections(Assembly& a, const std::uint8_t* data,
                                     const std::uint8_t* end) {
    while (data < end && *data != 0xFF) {
        a.active = true;
        a.bytes.clear();
        Continue(a, data, end);
        if (a.active) return;  // it goes on in the next packet
    }
}

void CMpeDecapsulator::Continue(Assembly& a, const std::uint8_t*& data, const std::uint8_t* end) {
    auto take = [&](std::size_t want) {
        const std::size_t n = std::min(want, static_cast<std::size_t>(end - data));
        a.bytes.insert(a.bytes.end(), data, data + n);
        data += n;
    };
    if (a.bytes.size() < 3) take(3 - a.bytes.size());
    if (a.bytes.size() < 3) return;
    const std::size_t length = ((a.bytes[1] & 0x0F) << 8) | a.bytes[2];
    if (length > kMaxSectionLength) {
        Abandon(a);
        data = end;  // nothing here can be trusted to start a section
        return;
    }
    take(3 + length - a.bytes.size());
    if (a.bytes.size() < 3 + length) return;
    a.active = false;
    Section(a.bytes);
    a.bytes.clear();
}

void CMpeDecapsulator::Section(std::span<const std::uint8_t> s) {
    ++m_counters.sections;
    if (s[0] != kDatagramTable) {
        ++m_counters.nonIp;
        return;
    }
    if (s.size() < kHeader + kTrailer) {
        ++m_counters.malformed;
        return;
    }
    const bool crc = (s[1] & 0x80) != 0;
    if (crc ? Crc32(s) != 0 : !MpeChecksumOk(s)) {
        ++m_counters.crcErrors;
        return;
    }
    if ((s[5] & 0x3C) != 0) {  // payload or address scrambled
        ++m_counters.scrambled;
        return;
    }
    const MacAddress mac{s[11], s[10], s[9], s[8], s[4], s[3]};
    if (!m_filter.Accepts(mac)) {
        ++m_counters.filtered;
        return;
    }
    std::span<const std::uint8_t> payload = s.subspan(kHeader, s.size() - kHeader - kTrailer);
    if ((s[5] & 0x02) == 0) return Datagram(payload);
    if (payload.size() < kLlcSnap) {
        ++m_counters.malformed;
        return;
    }
    const unsigned type = Be16(&payload[6]);
    const bool snap = payload[0] == 0xAA && payload[1] == 0xAA && payload[2] == 0x03;
    if (!snap || (type != 0x0800 && type != 0x86DD)) {
        ++m_counters.nonIp;
        return;
    }
    payload = payload.subspan(kLlcSnap);
    if (payload.empty() || (payload[0] >> 4) != (type == 0x0800 ? 4 : 6)) {
        ++m_counters.malformed;  // the header says one protocol, the datagram another
        return;
    }
    Datagram(payload);
}

void CMpeDecapsulator::Datagram(std::span<const std::uint8_t> p) {
    std::size_t total = 0;
    const int version = p.empty() ? 0 : p[0] >> 4;
    if (version == 4 && p.size() >= 20 && (p[0] & 0x0F) >= 5) {
        total = Be16(&p[2]);
        if (total < std::size_t{4} * (p[0] & 0x0F)) total = 0;
    } else if (version == 6 && p.size() >= 40) {
        total = 40 + Be16(&p[4]);
    } else if (version != 4 && version != 6) {
        ++m_counters.nonIp;
        return;
    }
    // What follows the datagram may only be stuffing.
    const bool fits = total != 0 && total <= p.size() &&
                      std::all_of(p.begin() + static_cast<std::ptrdiff_t>(total), p.end(),
                                  [](std::uint8_t b) { return b == 0xFF; });
    if (!fits) {
        ++m_counters.malformed;
        return;
    }
    ++m_counters.datagrams;
    m_counters.bytes += total;
    m_sink(p.first(total));
}

}  // namespace orbix
