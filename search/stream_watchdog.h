#pragma once

#include <atomic>
#include <cstdint>

#include "platform/clock.h"

namespace orbix {

// Whether the card's datagrams arrive. The stream reader tells it of every
// datagram (any thread); whoever shows the state asks, with the lock and
// whether any PID is in use, how long nothing has come. Locked with no PID
// in use is not a fault: the card then sends nothing by design.
class CStreamWatchdog {
  public:
    static constexpr std::int64_t kSilenceMs = 5000;

    explicit CStreamWatchdog(IClock& clock, std::int64_t silenceMs = kSilenceMs);

    // A datagram arrived now.
    void OnDatagram();
    // Whether any datagram was seen at or after sinceMs (the clock's time).
    bool SeenSince(std::int64_t sinceMs) const;
    // The time of the last datagram, or -1 before the first.
    std::int64_t LastDatagramMs() const { return m_lastMs.load(); }

    // How long, in ms, data has been missing while it was expected: locked
    // with PIDs in use, counted from the later of the last datagram and the
    // moment it became expected. 0 while it is not expected or data flows.
    // Call it on one thread (the one that shows the state).
    std::int64_t MissingForMs(bool locked, bool pidsInUse);
    // True once data has been missing for the silence time; false again at
    // the next datagram or when data is no longer expected.
    bool NoData(bool locked, bool pidsInUse) {
        return MissingForMs(locked, pidsInUse) >= m_silenceMs;
    }
    std::int64_t SilenceMs() const { return m_silenceMs; }

  private:
    IClock& m_clock;
    const std::int64_t m_silenceMs;
    std::atomic<std::int64_t> m_lastMs{-1};
    std::int64_t m_expectedSinceMs = -1;  // -1 while data is not expected
};

}  // namespace orbix
