#include "search/pid_stats.h"

namespace orbix {
namespace {

constexpr std::size_t kPacket = 188;
constexpr std::size_t kPidCount = 8192;

}  // namespace

bool CContinuityCheck::Check(bool hasPayload, bool discontinuity, int counter) {
    counter &= 0x0F;
    if (!hasPayload) return false;
    if (m_last < 0 || discontinuity) {
        m_last = counter;
        m_repeated = false;
        return false;
    }
    if (counter == m_last) {
        // One duplicate is allowed; the packet's third appearance is not.
        const bool error = m_repeated;
        m_repeated = true;
        return error;
    }
    const bool error = counter != ((m_last + 1) & 0x0F);
    m_last = counter;
    m_repeated = false;
    return error;
}

bool ReadTsHeader(std::span<const std::uint8_t, 188> p, TsHeader& out) {
    if (p[0] != 0x47) return false;
    out.transportError = (p[1] & 0x80) != 0;
    out.pid = static_cast<std::uint16_t>(((p[1] & 0x1F) << 8) | p[2]);
    out.scrambled = (p[3] & 0xC0) != 0;
    const int control = (p[3] >> 4) & 0x03;
    out.hasPayload = (control & 0x01) != 0;
    const bool adaptation = (control & 0x02) != 0;
    out.discontinuity = adaptation && p[4] > 0 && (p[5] & 0x80) != 0;
    out.counter = p[3] & 0x0F;
    return true;
}

CPidStatistics::CPidStatistics() : m_pids(kPidCount) {}

void CPidStatistics::Watch(std::span<const std::uint16_t> pids) {
    std::lock_guard lock(m_mutex);
    for (std::uint16_t pid : pids) {
        if (pid >= kPidCount) continue;
        m_pids[pid].listed = true;
        m_pids[pid].row.pid = pid;
    }
}

void CPidStatistics::OnDatagram(std::span<const std::uint8_t> datagram, std::int64_t nowMs) {
    std::lock_guard lock(m_mutex);
    // Rates count from the first datagram, not from a first snapshot.
    if (m_markMs < 0) m_markMs = nowMs;
    ++m_datagrams;
    bool malformed = datagram.empty() || datagram.size() % kPacket != 0;
    for (std::size_t at = 0; at + kPacket <= datagram.size(); at += kPacket) {
        const auto packet = datagram.subspan(at).first<kPacket>();
        if (packet[0] != 0x47) {
            malformed = true;
            continue;
        }
        OnPacket(packet, nowMs);
    }
    if (malformed) ++m_malformed;
}

void CPidStatistics::OnPacket(std::span<const std::uint8_t, 188> packet, std::int64_t nowMs) {
    TsHeader h;
    ReadTsHeader(packet, h);
    PidState& state = m_pids[h.pid];
    PidStatsRow& row = state.row;
    state.listed = true;
    row.pid = h.pid;
    ++row.packets;
    row.lastSeenMs = nowMs;
    row.scrambled = h.scrambled;
    if (h.transportError) {
        // The header of a damaged packet cannot be trusted, its counter neither.
        ++row.transportErrors;
        return;
    }
    // The null PID carries no counter worth checking.
    if (h.pid != 0x1FFF && state.cc.Check(h.hasPayload, h.discontinuity, h.counter)) ++row.ccErrors;
}

PidStatsSnapshot CPidStatistics::Snapshot(std::int64_t nowMs) {
    std::lock_guard lock(m_mutex);
    if (m_markMs < 0) m_markMs = nowMs;
    const std::int64_t elapsed = nowMs - m_markMs;
    const bool newRates = elapsed >= kRateWindowMs;
    PidStatsSnapshot out;
    out.timeMs = nowMs;
    for (PidState& state : m_pids) {
        if (!state.listed) continue;
        if (newRates) {
            const double perSecond = static_cast<double>(state.row.packets - state.packetsAtMark) *
                                     1000.0 / static_cast<double>(elapsed);
            state.row.packetsPerSecond = perSecond;
            state.row.bitsPerSecond = perSecond * kPacket * 8;
            state.packetsAtMark = state.row.packets;
        }
        out.rows.push_back(state.row);
    }
    if (newRates) {
        m_datagramRate = static_cast<double>(m_datagrams - m_datagramsAtMark) * 1000.0 /
                         static_cast<double>(elapsed);
        m_datagramsAtMark = m_datagrams;
        m_markMs = nowMs;
    }
    out.datagrams = m_datagrams;
    out.malformedDatagrams = m_malformed;
    out.datagramsPerSecond = m_datagramRate;
    return out;
}

void CPidStatistics::Reset() {
    std::lock_guard lock(m_mutex);
    for (PidState& state : m_pids) state = {};
    m_datagrams = m_malformed = m_datagramsAtMark = 0;
    m_datagramRate = 0;
    m_markMs = -1;
}

}  // namespace orbix
