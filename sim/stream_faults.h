#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/clock.h"

namespace orbix::sim {

// The stream output sends nothing from atMs for durationMs; the lock stays.
struct NoDataWindow {
    std::int64_t atMs = 0;
    std::int64_t durationMs = 0;
};

// From atMs on, perSecond of the packets that pass the PID table are lost
// before they reach a datagram, so their PIDs' continuity counters jump.
struct PacketLoss {
    std::int64_t atMs = 0;
    double perSecond = 0;
};

// Stream faults a sky file can schedule (times from the card's start).
struct StreamFaultSchedule {
    std::vector<NoDataWindow> noData;
    std::optional<PacketLoss> loss;
    bool Empty() const { return noData.empty() && !loss; }
};

// The schedule applied in the stream output's send path, on its thread.
class CStreamFaultFilter {
  public:
    explicit CStreamFaultFilter(StreamFaultSchedule schedule, IClock& clock = RealClock());

    // True while a no-data window is open: the datagram is not sent.
    bool Silenced() const;
    // True for a passing packet that is to be lost now.
    bool DropPacket();
    std::uint64_t Dropped() const { return m_dropped; }

  private:
    std::int64_t Elapsed() const { return m_clock.NowMs() - m_startMs; }

    const StreamFaultSchedule m_schedule;
    IClock& m_clock;
    const std::int64_t m_startMs;
    std::uint64_t m_counted = 0;  // losses due so far
    std::uint64_t m_dropped = 0;
};

}  // namespace orbix::sim
