#include "search/stream_watchdog.h"

#include <algorithm>

namespace orbix {

CStreamWatchdog::CStreamWatchdog(IClock& clock, std::int64_t silenceMs)
    : m_clock(clock), m_silenceMs(silenceMs) {}

void CStreamWatchdog::OnDatagram() { m_lastMs.store(m_clock.NowMs()); }

bool CStreamWatchdog::SeenSince(std::int64_t sinceMs) const {
    const std::int64_t last = m_lastMs.load();
    return last >= 0 && last >= sinceMs;
}

std::int64_t CStreamWatchdog::MissingForMs(bool locked, bool pidsInUse) {
    const std::int64_t now = m_clock.NowMs();
    if (!locked || !pidsInUse) {
        m_expectedSinceMs = -1;
        return 0;
    }
    // A lock or a PID just set gets the whole silence time before it counts.
    if (m_expectedSinceMs < 0) m_expectedSinceMs = now;
    const std::int64_t from = std::max(m_expectedSinceMs, m_lastMs.load());
    return std::max<std::int64_t>(now - from, 0);
}

}  // namespace orbix
