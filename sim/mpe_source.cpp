#include "sim/mpe_source.h"

#include <algorithm>

namespace orbix::sim {
namespace {

void PutBe16(std::vector<std::uint8_t>& v, std::size_t at, unsigned value) {
    v[at] = static_cast<std::uint8_t>(value >> 8);
    v[at + 1] = static_cast<std::uint8_t>(value);
}

void AppendBe32(std::vector<std::uint8_t>& v, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        v.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t XorWords(std::span<const std::uint8_t> data) {
    std::uint32_t x = 0;
    for (std::size_t i = 0; i < data.size(); ++i) x ^= std::uint32_t{data[i]} << (24 - 8 * (i % 4));
    return x;
}

std::array<std::uint8_t, 6> GroupMac(const std::array<std::uint8_t, 4>& group) {
    return {0x01, 0x00, 0x5E, static_cast<std::uint8_t>(group[1] & 0x7F), group[2], group[3]};
}

}  // namespace

std::vector<std::uint8_t> BuildMpeSection(std::span<const std::uint8_t> datagram,
                                          const MpeSectionOptions& o) {
    const auto& m = o.mac;
    const bool v6 = !datagram.empty() && (datagram[0] >> 4) == 6;
    const std::uint8_t head[] = {0x3E, 0, 0, m[5], m[4], 0, 0, 0, m[3], m[2], m[1], m[0]};
    const std::uint8_t llcSnap[] = {
        0xAA, 0xAA, 0x03, 0, 0, 0, std::uint8_t(v6 ? 0x86 : 0x08), std::uint8_t(v6 ? 0xDD : 0x00)};
    // Sized once and filled in place: growing it piecewise trips a false
    // out-of-bounds warning of optimised GCC 12 builds.
    const std::size_t snap = o.llcSnap ? sizeof llcSnap : 0;
    std::vector<std::uint8_t> s(sizeof head + snap + datagram.size());
    std::copy(std::begin(head), std::end(head), s.begin());
    std::copy(llcSnap, llcSnap + snap, s.begin() + sizeof head);
    std::copy(datagram.begin(), datagram.end(), s.begin() + static_cast<long>(sizeof head + snap));
    s[5] = static_cast<std::uint8_t>(0xC1 | (o.scrambled ? 0x10 : 0) | (o.llcSnap ? 0x02 : 0));
    const std::size_t length = s.size() + 4 - 3;
    s[1] = static_cast<std::uint8_t>((o.checksum ? 0x30 : 0xB0) | ((length >> 8) & 0x0F));
    s[2] = static_cast<std::uint8_t>(length);
    if (o.checksum) {
        const std::uint32_t rest = ~XorWords(s);
        const unsigned lane = static_cast<unsigned>(s.size() % 4) * 8;
        AppendBe32(s, lane == 0 ? rest : (rest << lane) | (rest >> (32 - lane)));
    } else {
        AppendMpegCrc32(s);
    }
    return s;
}

std::vector<std::uint8_t> PatternPayload(std::uint32_t seq, std::size_t size) {
    std::vector<std::uint8_t> p;
    AppendBe32(p, seq);
    for (std::size_t i = 4; i < size; ++i) p.push_back(static_cast<std::uint8_t>(seq + i));
    p.resize(size);
    return p;
}

bool CheckPatternPayload(std::span<const std::uint8_t> payload, std::uint32_t& seq) {
    if (payload.size() < 4) return false;
    seq = (std::uint32_t{payload[0]} << 24) | (std::uint32_t{payload[1]} << 16) |
          (std::uint32_t{payload[2]} << 8) | payload[3];
    const auto expected = PatternPayload(seq, payload.size());
    return std::equal(payload.begin(), payload.end(), expected.begin());
}

std::vector<std::uint8_t> BuildUdpDatagram(const std::array<std::uint8_t, 4>& source,
                                           const std::array<std::uint8_t, 4>& destination,
                                           std::uint16_t port,
                                           std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> d(28 + payload.size(), 0);
    d[0] = 0x45;
    PutBe16(d, 2, static_cast<unsigned>(d.size()));
    d[6] = 0x40;  // don't fragment
    d[8] = 16;    // TTL
    d[9] = 17;    // UDP
    std::copy(source.begin(), source.end(), d.begin() + 12);
    std::copy(destination.begin(), destination.end(), d.begin() + 16);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 20; i += 2) sum += (unsigned{d[i]} << 8) | d[i + 1];
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    PutBe16(d, 10, ~sum & 0xFFFF);
    PutBe16(d, 20, port);
    PutBe16(d, 22, port);
    PutBe16(d, 24, static_cast<unsigned>(8 + payload.size()));
    std::copy(payload.begin(), payload.end(), d.begin() + 28);
    return d;
}

void CSectionPacker::Pack(const std::vector<std::vector<std::uint8_t>>& sections,
                          std::vector<TsPacket>& out) {
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> starts;
    for (const auto& s : sections) {
        starts.push_back(bytes.size());
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    std::size_t pos = 0;
    auto next = starts.begin();
    while (pos < bytes.size()) {
        TsPacket p;
        p.fill(0xFF);
        p[0] = 0x47;
        p[1] = static_cast<std::uint8_t>(m_pid >> 8);
        p[2] = static_cast<std::uint8_t>(m_pid);
        p[3] = static_cast<std::uint8_t>(0x10 | (m_continuity++ & 0x0F));
        while (next != starts.end() && *next < pos) ++next;
        std::size_t room = 184, at = 4;
        if (next != starts.end() && *next < pos + 183) {
            p[1] |= 0x40;
            p[4] = static_cast<std::uint8_t>(*next - pos);
            room = 183;
            at = 5;
        } else if (next != starts.end() && *next == pos + 183) {
            room = 183;  // no room for the pointer: stuff, and start it in the next packet
        }
        const std::size_t n = std::min(room, bytes.size() - pos);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(pos), n,
                    p.begin() + static_cast<std::ptrdiff_t>(at));
        pos += n;
        out.push_back(p);
    }
}

namespace {
// Payload sizes: two short ones share a packet, the long ones span several.
constexpr std::array<std::size_t, 6> kSizes{24, 40, 1000, 1372, 56, 300};
}  // namespace

std::size_t CMpeTraffic::PayloadSize(std::uint32_t seq) { return kSizes[seq % kSizes.size()]; }

std::vector<std::vector<std::uint8_t>> CMpeTraffic::NextBatch() {
    std::vector<std::vector<std::uint8_t>> batch;
    for (const std::size_t size : kSizes) {
        const std::uint32_t seq = m_seq++;
        const bool toGroup = seq % 2 == 0;
        const auto datagram =
            BuildUdpDatagram(m_plan.source, toGroup ? m_plan.group : m_plan.unicast, m_plan.port,
                             PatternPayload(seq, size));
        MpeSectionOptions o;
        o.mac = toGroup ? GroupMac(m_plan.group) : kSimUnicastMac;
        o.llcSnap = seq % 3 == 2;
        o.checksum = seq % 5 == 4;
        batch.push_back(BuildMpeSection(datagram, o));
    }
    return batch;
}

namespace {

class CMpeSource final : public ITsSource {
  public:
    CMpeSource(std::unique_ptr<ITsSource> base, std::uint16_t pid, std::int64_t bitRate)
        : m_base(std::move(base)), m_packer(pid) {
        const std::int64_t total = std::max<std::int64_t>(m_base->BitRate(), 1);
        m_share =
            std::clamp<double>(static_cast<double>(bitRate) / static_cast<double>(total), 0.0, 1.0);
    }
    std::int64_t BitRate() const override { return m_base->BitRate(); }
    void NextPacket(TsPacket& packet) override {
        m_credit += m_share;
        if (m_credit < 1.0) return m_base->NextPacket(packet);
        m_credit -= 1.0;
        if (m_next >= m_queue.size()) {
            m_queue.clear();
            m_next = 0;
            m_packer.Pack(m_traffic.NextBatch(), m_queue);
        }
        packet = m_queue[m_next++];
    }

  private:
    std::unique_ptr<ITsSource> m_base;
    CSectionPacker m_packer;
    CMpeTraffic m_traffic;
    std::vector<TsPacket> m_queue;
    std::size_t m_next = 0;
    double m_share = 0;
    double m_credit = 0;
};

}  // namespace

std::unique_ptr<ITsSource> MakeMpeSource(std::unique_ptr<ITsSource> base, std::uint16_t pid,
                                         std::int64_t bitRate) {
    return std::make_unique<CMpeSource>(std::move(base), pid, bitRate);
}

}  // namespace orbix::sim
