#include "card/signal_history.h"

#include <algorithm>
#include <cstdio>

namespace orbix {

CSignalHistory::CSignalHistory(std::size_t capacity)
    : m_capacity(std::max<std::size_t>(capacity, 1)) {
    m_ring.reserve(m_capacity);
}

void CSignalHistory::Record(const SignalSample& sample) {
    std::lock_guard lock(m_mutex);
    if (m_ring.size() < m_capacity) {
        m_ring.push_back(sample);
    } else {
        m_ring[m_next] = sample;
        m_next = (m_next + 1) % m_capacity;
    }
    m_peak.level = std::max(m_peak.level, sample.level);
    m_peak.quality = std::max(m_peak.quality, sample.quality);
}

// Oldest first: once the ring is full the oldest sits where the next goes.
std::vector<SignalSample> CSignalHistory::Copy(std::size_t newest) const {
    const std::size_t size = m_ring.size();
    newest = std::min(newest, size);
    std::vector<SignalSample> out;
    out.reserve(newest);
    const std::size_t oldest = size < m_capacity ? 0 : m_next;
    for (std::size_t i = size - newest; i < size; ++i) out.push_back(m_ring[(oldest + i) % size]);
    return out;
}

std::vector<SignalSample> CSignalHistory::All() const {
    std::lock_guard lock(m_mutex);
    return Copy(m_ring.size());
}

std::vector<SignalSample> CSignalHistory::Recent(std::int64_t spanMs) const {
    std::lock_guard lock(m_mutex);
    const std::size_t size = m_ring.size();
    if (size == 0) return {};
    const std::size_t oldest = size < m_capacity ? 0 : m_next;
    const std::int64_t newestMs = m_ring[(oldest + size - 1) % size].timeMs;
    std::size_t count = 0;
    while (count < size && newestMs - m_ring[(oldest + size - 1 - count) % size].timeMs <= spanMs)
        ++count;
    return Copy(count);
}

bool CSignalHistory::Latest(SignalSample& out) const {
    std::lock_guard lock(m_mutex);
    if (m_ring.empty()) return false;
    const std::size_t last =
        m_ring.size() < m_capacity ? m_ring.size() - 1 : (m_next + m_capacity - 1) % m_capacity;
    out = m_ring[last];
    return true;
}

std::size_t CSignalHistory::Size() const {
    std::lock_guard lock(m_mutex);
    return m_ring.size();
}

CSignalHistory::Peak CSignalHistory::PeakHold() const {
    std::lock_guard lock(m_mutex);
    return m_peak;
}

void CSignalHistory::ResetPeak() {
    std::lock_guard lock(m_mutex);
    m_peak = {};
}

void CSignalHistory::Clear() {
    std::lock_guard lock(m_mutex);
    m_ring.clear();
    m_next = 0;
    m_peak = {};
}

std::string SignalHistoryCsv(const std::vector<SignalSample>& samples) {
    std::string out = "time_s,level,quality,locked\n";
    const std::int64_t start = samples.empty() ? 0 : samples.front().timeMs;
    char line[64];
    for (const SignalSample& s : samples) {
        const std::int64_t tenths = (s.timeMs - start) / 100;
        std::snprintf(line, sizeof line, "%lld.%lld,%d,%d,%d\n",
                      static_cast<long long>(tenths / 10), static_cast<long long>(tenths % 10),
                      s.level, s.quality, s.locked ? 1 : 0);
        out += line;
    }
    return out;
}

}  // namespace orbix
