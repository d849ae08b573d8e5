#include "sim/stream_faults.h"

namespace orbix::sim {

CStreamFaultFilter::CStreamFaultFilter(StreamFaultSchedule schedule, IClock& clock)
    : m_schedule(std::move(schedule)), m_clock(clock), m_startMs(clock.NowMs()) {}

bool CStreamFaultFilter::Silenced() const {
    const std::int64_t now = Elapsed();
    for (const NoDataWindow& w : m_schedule.noData) {
        if (now >= w.atMs && now < w.atMs + w.durationMs) return true;
    }
    return false;
}

// Losses are spread evenly: at t after the start of the loss, about t x rate
// packets have been lost, each the first to pass once it was due.
bool CStreamFaultFilter::DropPacket() {
    if (!m_schedule.loss) return false;
    const std::int64_t since = Elapsed() - m_schedule.loss->atMs;
    if (since < 0) return false;
    const auto due = static_cast<std::uint64_t>(static_cast<double>(since) *
                                                m_schedule.loss->perSecond / 1000.0);
    if (m_counted >= due) return false;
    // A backlog (nothing passed for a while) is not made up in one burst:
    // a burst would break one counter once however many packets it took.
    m_counted = due;
    ++m_dropped;
    return true;
}

}  // namespace orbix::sim
