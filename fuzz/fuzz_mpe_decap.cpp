// The decapsulator yields exactly the datagrams of the well-formed sections:
// the input chooses a run of sections (sizes, LLC/SNAP, checksum, address)
// and spoils some of them in ways that keep the packet framing (a CRC, the
// scrambling bits, the table, the IP length, a payload that is not IP, an
// address for somebody else); they are packed as an encapsulator packs them
// and must come out as the unspoilt ones, in order. An input starting with
// 0xFF is fed as raw packets instead, for robustness alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "search/mpe_decap.h"
#include "sim/mpe_source.h"

namespace {

namespace sim = orbix::sim;
using Bytes = std::vector<std::uint8_t>;
constexpr std::uint16_t kPid = 0x500;
constexpr std::array<std::uint8_t, 6> kOwn{0x02, 0, 0, 0x4D, 0, 1};

void Reseal(Bytes& s) {
    const auto crc = sim::MpegCrc32(s.data(), s.size() - 4);
    for (int i = 0; i < 4; ++i)
        s[s.size() - 4 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
}

// Spoils a CRC-sealed section; false when the spoil leaves it well-formed.
bool Spoil(Bytes& s, int how, std::uint8_t at) {
    const std::size_t ip = 12 + ((s[5] & 0x02) ? 8 : 0);
    switch (how) {
        case 0:
            s[12 + at % (s.size() - 16)] ^= 0x5A;
            return true;  // CRC no longer fits
        case 1:
            s[5] |= 0x10;
            Reseal(s);
            return true;  // scrambled
        case 2:
            s[0] = 0x3F;
            Reseal(s);
            return true;  // another table
        case 3:
            s[ip + 3] ^= 0x02;
            Reseal(s);
            return true;  // IP length off by two
        case 4:
            s[ip] = 0x10 | (at & 0x0F);
            Reseal(s);
            return true;  // not IP
        case 5:
            s[3] ^= 0x40;
            s[11] &= 0xFE;
            Reseal(s);
            return true;  // another unicast MAC
        default:
            return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<Bytes> out;
    orbix::CMpeDecapsulator decap(
        [&](std::span<const std::uint8_t> d) { out.emplace_back(d.begin(), d.end()); },
        orbix::MacFilter{false, kOwn});
    decap.SetPids(std::span(&kPid, 1));
    if (size > 0 && data[0] == 0xFF) {
        std::vector<std::uint8_t> packet(188);
        for (std::size_t at = 1; at < size; at += 188) {
            std::fill(packet.begin(), packet.end(), 0);
            std::copy(data + at, data + std::min(size, at + 188), packet.begin());
            packet[0] = 0x47, packet[1] = (packet[1] & 0xE0) | 0x05, packet[2] = 0x00;
            decap.Feed(packet.data());
        }
        return 0;
    }
    std::vector<Bytes> sections, expected;
    for (std::size_t at = 0; at + 4 <= size && sections.size() < 64; at += 4) {
        const std::size_t payload = 4 + ((std::size_t{data[at]} << 8 | data[at + 1]) % 1450);
        const std::uint8_t flags = data[at + 2];
        const Bytes datagram =
            sim::BuildUdpDatagram({10, 0, 0, 2}, {10, 0, 0, 1}, 7700,
                                  sim::PatternPayload(static_cast<std::uint32_t>(at), payload));
        sim::MpeSectionOptions o;
        o.mac = (flags & 1) ? std::array<std::uint8_t, 6>{0x01, 0, 0x5E, 0, 0, 1} : kOwn;
        o.llcSnap = (flags & 2) != 0;
        Bytes s = sim::BuildMpeSection(datagram, o);
        if (!Spoil(s, (flags >> 2) % 12, data[at + 3])) expected.push_back(datagram);
        sections.push_back(std::move(s));
    }
    std::vector<sim::TsPacket> packets;
    sim::CSectionPacker(kPid).Pack(sections, packets);
    for (const auto& p : packets) decap.Feed(p.data());
    if (out != expected || decap.Counters().datagrams != expected.size()) std::abort();
    return 0;
}
