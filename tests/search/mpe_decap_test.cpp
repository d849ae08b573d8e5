// The decapsulator against sections packed the way an encapsulator packs
// them, and against each way a stream can be damaged.
#include "search/mpe_decap.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "sim/mpe_source.h"

namespace orbix {
namespace {

using sim::TsPacket;
using Bytes = std::vector<std::uint8_t>;
constexpr std::uint16_t kPid = 0x500;
constexpr MacAddress kOwnMac{0x02, 0, 0, 0x4D, 0, 1};

Bytes Udp(std::uint32_t seq, std::size_t size) {
    return sim::BuildUdpDatagram({10, 0, 0, 2}, {10, 0, 0, 1}, 7700,
                                 sim::PatternPayload(seq, size));
}

Bytes Section(const Bytes& datagram, sim::MpeSectionOptions o = {}) {
    if (o.mac == std::array<std::uint8_t, 6>{}) o.mac = kOwnMac;
    return sim::BuildMpeSection(datagram, o);
}

std::vector<TsPacket> Pack(const std::vector<Bytes>& sections) {
    std::vector<TsPacket> packets;
    sim::CSectionPacker(kPid).Pack(sections, packets);
    return packets;
}

// Re-seals a section's CRC after a test changed its bytes.
void Reseal(Bytes& s) {
    s.resize(s.size() - 4);
    sim::AppendMpegCrc32(s);
}

struct Case {
    const char* name;
    std::function<std::vector<TsPacket>()> stream;
    std::vector<Bytes> expected;  // the datagrams it must yield, in order
    MpeCounters counts;           // all but the datagrams, which are the expected ones
    MacFilter filter{};
};

std::vector<Case> Cases() {
    const Bytes small1 = Udp(1, 20), small2 = Udp(2, 30), big = Udp(3, 1400), mid = Udp(4, 150);
    MacFilter own{false, kOwnMac};
    return {
        {"two short sections share one packet",
         [=] {
             return Pack({Section(small1), Section(small2)});
         },
         {small1, small2},
         MpeCounters{.sections = 2}},
        {"a long section runs over eight packets",
         [=] { return Pack({Section(big)}); },
         {big},
         MpeCounters{.sections = 1}},
        {"a section starts behind the tail of another (pointer field)",
         [=] {
             return Pack({Section(big), Section(mid), Section(small1)});
         },
         {big, mid, small1},
         MpeCounters{.sections = 3}},
        {"a header split over two packets",
         [=] {
             // 181 bytes fill the first packet but two: the next header starts there.
             return Pack({Section(Udp(5, 181 - 16 - 28)), Section(small1)});
         },
         {Udp(5, 181 - 16 - 28), small1},
         MpeCounters{.sections = 2}},
        {"a section ending one byte short of the packet end starts the next in a new packet",
         [=] {
             return Pack({Section(Udp(6, 366 - 16 - 28)), Section(small2)});
         },
         {Udp(6, 366 - 16 - 28), small2},
         MpeCounters{.sections = 2}},
        {"checksum instead of CRC-32",
         [=] { return Pack({Section(mid, {.checksum = true})}); },
         {mid},
         MpeCounters{.sections = 1}},
        {"LLC/SNAP header",
         [=] { return Pack({Section(mid, {.llcSnap = true})}); },
         {mid},
         MpeCounters{.sections = 1}},
        {"a repeated packet is taken once",
         [=] {
             auto p = Pack({Section(big)});
             p.insert(p.begin() + 2, p[1]);
             return p;
         },
         {big},
         MpeCounters{.sections = 1}},
        {"a lost packet loses its section only",
         [=] {
             // The packet with the end of one section and the start of the
             // next: only the continuity counter tells the loss.
             std::vector<TsPacket> p;
             sim::CSectionPacker packer(kPid);
             packer.Pack({Section(big), Section(big)}, p);
             packer.Pack({Section(small1)}, p);
             p.erase(p.begin() + 7);
             return p;
         },
         {small1},
         MpeCounters{.sections = 1, .malformed = 1}},
        {"an uncorrectable packet loses its section only",
         [=] {
             auto p = Pack({Section(big), Section(small1)});
             p[2][1] |= 0x80;
             return p;
         },
         {small1},
         MpeCounters{.sections = 1, .malformed = 1}},
        {"a bad CRC",
         [=] {
             auto s = Section(mid);
             s[40] ^= 1;
             return Pack({s, Section(small1)});
         },
         {small1},
         MpeCounters{.sections = 2, .crcErrors = 1}},
        {"a bad checksum",
         [=] {
             auto s = Section(mid, {.checksum = true});
             s[40] ^= 1;
             return Pack({s});
         },
         {},
         MpeCounters{.sections = 1, .crcErrors = 1}},
        {"an IP length beyond the section",
         [=] {
             auto s = Section(mid);
             s[12 + 3] += 1;  // total length one more than carried
             Reseal(s);
             return Pack({s, Section(small2)});
         },
         {small2},
         MpeCounters{.sections = 2, .malformed = 1}},
        {"bytes after the datagram that are not stuffing",
         [=] {
             auto d = mid;
             d.push_back(0x00);
             return Pack({Section(d)});
         },
         {},
         MpeCounters{.sections = 1, .malformed = 1}},
        {"stuffing after the datagram",
         [=] {
             auto d = mid;
             d.insert(d.end(), 3, 0xFF);
             return Pack({Section(d)});
         },
         {mid},
         MpeCounters{.sections = 1}},
        {"a truncated LLC/SNAP header",
         [=] {
             auto s = Section(Bytes{0xAA, 0xAA, 0x03}, {});
             s[5] |= 0x02;
             Reseal(s);
             return Pack({s});
         },
         {},
         MpeCounters{.sections = 1, .malformed = 1}},
        {"LLC/SNAP with another protocol",
         [=] {
             auto s = Section(mid, {.llcSnap = true});
             s[12 + 6] = 0x08, s[12 + 7] = 0x06;  // ARP
             Reseal(s);
             return Pack({s});
         },
         {},
         MpeCounters{.sections = 1, .nonIp = 1}},
        {"a payload that is not IP",
         [=] { return Pack({Section(Bytes(40, 0x11))}); },
         {},
         MpeCounters{.sections = 1, .nonIp = 1}},
        {"another table on the PID",
         [=] {
             auto s = Section(mid);
             s[0] = 0x3F;
             Reseal(s);
             return Pack({s, Section(small1)});
         },
         {small1},
         MpeCounters{.sections = 2, .nonIp = 1}},
        {"a scrambled section",
         [=] {
             return Pack({Section(mid, {.scrambled = true}), Section(small1)});
         },
         {small1},
         MpeCounters{.sections = 2, .scrambled = 1}},
        {"scrambled packets",
         [=] {
             auto p = Pack({Section(big)});
             for (auto& packet : p) packet[3] |= 0x80;
             return p;
         },
         {},
         MpeCounters{.scrambled = 8}},
        {"a section length beyond the largest section",
         [=] {
             auto p = Pack({Section(mid), Section(small1)});
             p[0][5 + 1] = 0xBF, p[0][5 + 2] = 0xFF;  // 4095, beyond 4093
             return p;
         },
         {small1},
         MpeCounters{.sections = 1, .malformed = 1}},
        {"a pointer field beyond the packet",
         [=] {
             auto p = Pack({Section(small1)});
             p[0][4] = 184;
             auto q = Pack({Section(small2)});
             q[0][3] = static_cast<std::uint8_t>((q[0][3] & 0xF0) | 1);
             p.push_back(q[0]);
             return p;
         },
         {small2},
         MpeCounters{.sections = 1, .malformed = 1}},
        {"packets of other PIDs are not looked at",
         [=] {
             auto p = Pack({Section(mid)});
             auto other = Pack({Section(small1)});
             for (auto& packet : other) packet[2] = 0x01;
             p.insert(p.begin() + 1, other.begin(), other.end());
             return p;
         },
         {mid},
         MpeCounters{.sections = 1}},
        {"own MAC and groups only",
         [=] {
             return Pack({Section(small1, {.mac = {0x02, 0, 0, 0, 0, 9}}),
                          Section(small2, {.mac = {0x01, 0, 0x5E, 1, 2, 3}}), Section(mid)});
         },
         {small2, mid},
         MpeCounters{.sections = 3, .filtered = 1},
         own},
    };
}

TEST(MpeDecapsulator, ReassemblesAndDrops) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        std::vector<Bytes> got;
        CMpeDecapsulator decap(
            [&](std::span<const std::uint8_t> d) { got.emplace_back(d.begin(), d.end()); },
            c.filter);
        const std::uint16_t pid = kPid;
        decap.SetPids(std::span(&pid, 1));
        for (const TsPacket& p : c.stream()) decap.Feed(p.data());
        EXPECT_EQ(got, c.expected);
        const auto tally = [](const MpeCounters& n) {
            return std::array{n.sections,  n.crcErrors, n.malformed,
                              n.scrambled, n.nonIp,     n.filtered};
        };
        EXPECT_EQ(tally(decap.Counters()), tally(c.counts));
        EXPECT_EQ(decap.Counters().datagrams, c.expected.size());
    }
}

// The simulated sky's IP data comes through whole, in order, every kind of
// section included.
TEST(MpeDecapsulator, TakesTheSimulatedTrafficWhole) {
    sim::CMpeTraffic traffic;
    sim::CSectionPacker packer(kPid);
    std::vector<TsPacket> packets;
    for (int i = 0; i < 10; ++i) packer.Pack(traffic.NextBatch(), packets);
    std::uint32_t next = 0;
    bool intact = true;
    CMpeDecapsulator decap([&](std::span<const std::uint8_t> d) {
        std::uint32_t seq = 0;
        intact = intact && sim::CheckPatternPayload(d.subspan(28), seq) && seq == next;
        ++next;
    });
    const std::uint16_t pid = kPid;
    decap.SetPids(std::span(&pid, 1));
    for (const TsPacket& p : packets) decap.Feed(p.data());
    EXPECT_TRUE(intact);
    EXPECT_EQ(next, traffic.NextSeq());
    EXPECT_EQ(decap.Counters().Drops(), 0u);
}

TEST(MpeDecapsulator, ParsesMacAndPidLists) {
    MacAddress mac{};
    EXPECT_TRUE(ParseMac("02:00:00:4d:00:01", mac));
    EXPECT_EQ(mac, kOwnMac);
    EXPECT_TRUE(ParseMac("02-00-00-4D-00-01", mac));
    for (const char* bad : {"", "02:00:00:4d:00", "02:00:00:4d:00:0g", "0200:00:4d:00:01:"})
        EXPECT_FALSE(ParseMac(bad, mac)) << bad;
}

}  // namespace
}  // namespace orbix
