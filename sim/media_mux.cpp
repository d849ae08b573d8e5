#include "sim/media_mux.h"

#include <cstring>

#include "sim/sim_texts.h"

namespace orbix::sim {
namespace {

constexpr double kTicksPer90k = 300.0;  // 27 MHz ticks per 90 kHz tick
constexpr double kPcrSpacing = 27'000'000.0 * 30 / 1000;
constexpr double kDataSpacing = 27'000'000.0 * 100 / 1000;
// Every packet reaches the receiver this long before its decoding time.
constexpr std::int64_t kLead90k = 45'000;
// Loop 0 of the first program starts this late on the multiplex's clock, so
// that its first packets are due at or after 0.
constexpr std::int64_t kStart90k = 54'000;
// Programs start their loops at staggered phases, so that their key frames
// do not all fall on one instant.
constexpr std::int64_t kPhaseStep90k = 3'600 * 13;
constexpr std::int64_t kPhaseWrap90k = 3'600 * 50;

double NowOf(std::int64_t packetIndex, std::int64_t bitRate) {
    return static_cast<double>(packetIndex) * kPacketSize * 8 * 27'000'000.0 /
           static_cast<double>(bitRate);
}

}  // namespace

CMediaPlayout::CMediaPlayout(const MuxConfig& config, std::shared_ptr<const CMediaLibrary> library)
    : m_config(config), m_library(std::move(library)), m_continuity(8192, 0) {
    std::uint32_t seed = 0x2545F491u;
    for (std::uint8_t& b : m_scramble) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    for (std::size_t i = 0; i < m_config.programs.size(); ++i) {
        const MuxProgram& p = m_config.programs[i];
        const std::int64_t base =
            kStart90k + static_cast<std::int64_t>(i) * kPhaseStep90k % kPhaseWrap90k;
        if (p.pcrPid != 0) m_feeds.push_back(Feed{Kind::Pcr, p.pcrPid});
        for (const MuxStream& es : p.streams) {
            Feed feed{Kind::Data, es.pid, es.scrambled || p.scrambled};
            MediaCodec codec{};
            if (CodecOfStream(es, codec)) feed.track = m_library->Find(p.number, codec);
            if (feed.track != nullptr && !feed.track->units.empty()) feed.kind = Kind::Media;
            feed.base = base;
            m_feeds.push_back(feed);
        }
    }
    for (std::size_t f = 0; f < m_feeds.size(); ++f) {
        m_feeds[f].due = DueOf(m_feeds[f]);
        m_queue.emplace(m_feeds[f].due, f);
    }
}

// A media packet's time to be sent: the access unit's packets spread over
// the unit before it, a fixed lead before its decoding time.
double CMediaPlayout::DueOf(const Feed& feed) const {
    if (feed.kind != Kind::Media) return feed.due;
    const MediaTrack& t = *feed.track;
    const MediaUnit& unit = t.units[feed.unit];
    const std::int64_t previous =
        feed.unit == 0 ? unit.dts - t.frameTime : t.units[feed.unit - 1].dts;
    const double share =
        static_cast<double>(feed.packet) / static_cast<double>(unit.packets.size());
    const double send = static_cast<double>(previous) +
                        static_cast<double>(unit.dts - previous) * share +
                        static_cast<double>(feed.base + feed.loop * t.period - kLead90k);
    return send * kTicksPer90k;
}

void CMediaPlayout::NextPacket(std::int64_t packetIndex, TsPacket& packet) {
    const double now = NowOf(packetIndex, m_config.bitRate);
    if (m_queue.empty() || m_queue.top().first > now) {
        packet.fill(0xFF);
        packet[0] = 0x47;
        packet[1] = static_cast<std::uint8_t>(kNullPid >> 8);
        packet[2] = static_cast<std::uint8_t>(kNullPid & 0xFF);
        packet[3] = 0x10;
        return;
    }
    const std::size_t f = m_queue.top().second;
    m_queue.pop();
    Emit(m_feeds[f], now, packetIndex, packet);
    m_queue.emplace(m_feeds[f].due, f);
}

void CMediaPlayout::Emit(Feed& feed, double now, std::int64_t packetIndex, TsPacket& packet) {
    std::uint8_t& cc = m_continuity[feed.pid];
    if (feed.kind == Kind::Pcr) {
        // No payload: the counter stays at the one of the last payload packet.
        packet.fill(0xFF);
        packet[0] = 0x47;
        packet[1] = static_cast<std::uint8_t>(feed.pid >> 8);
        packet[2] = static_cast<std::uint8_t>(feed.pid & 0xFF);
        packet[3] = static_cast<std::uint8_t>(0x20 | ((cc + 15) & 0x0F));
        packet[4] = kPacketSize - 5;
        packet[5] = 0x10;
        WritePcr(&packet[6], static_cast<std::int64_t>(now));
        feed.due = now + kPcrSpacing;
        return;
    }
    std::size_t payload = 4;
    if (feed.kind == Kind::Data) {
        packet.fill(static_cast<std::uint8_t>(packetIndex));
        packet[0] = 0x47;
        packet[1] = static_cast<std::uint8_t>(feed.pid >> 8);
        packet[3] = 0x10;
        feed.due += kDataSpacing;
    } else {
        const MediaTrack& t = *feed.track;
        const MediaUnit& unit = t.units[feed.unit];
        packet = unit.packets[feed.packet];
        packet[1] = static_cast<std::uint8_t>((packet[1] & 0x40) | (feed.pid >> 8));
        const std::int64_t shift = feed.base + feed.loop * t.period;
        if (feed.packet == 0 && unit.ptsAt >= 0)
            PutTimestamp(&packet[unit.ptsAt], unit.pts + shift);
        if (feed.packet == 0 && unit.dtsAt >= 0)
            PutTimestamp(&packet[unit.dtsAt], unit.dts + shift);
        if (packet[3] & 0x20) payload += 1 + packet[4];
        if (++feed.packet == unit.packets.size()) {
            feed.packet = 0;
            if (++feed.unit == t.units.size()) {
                feed.unit = 0;
                ++feed.loop;
            }
        }
        feed.due = DueOf(feed);
    }
    packet[2] = static_cast<std::uint8_t>(feed.pid & 0xFF);
    packet[3] = static_cast<std::uint8_t>((packet[3] & 0x30) | cc);
    cc = static_cast<std::uint8_t>((cc + 1) & 0x0F);
    if (feed.scrambled) {
        packet[3] |= 0x80;
        for (std::size_t i = payload; i < kPacketSize; ++i) packet[i] ^= m_scramble[i];
    }
}

std::shared_ptr<const CMediaLibrary> LoadMediaLibrary(std::string& error) {
    std::string looked;
    const std::string dir = FindMediaCache(looked);
    if (dir.empty()) {
        error = texts::MediaNoCache(looked);
        return nullptr;
    }
    return CMediaLibrary::Load(dir, error);
}

}  // namespace orbix::sim
