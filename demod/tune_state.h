#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "db/channel_database.h"
#include "platform/clock.h"

namespace orbix {

// The transponder chosen for tuning: its names and its record.
struct TuneTarget {
    std::string satellite;    // g_currentSatellite
    std::string transponder;  // g_currentTransponder
    TransponderParams tp;     // g_currentTp
};

// What the user interface and the tune-and-lock worker share. The names and
// the record travel together under a lock, and a tune request is raised only
// after them, so the worker that sees the request reads them exactly as the
// lock command left them. The flags are atomic words written by one side and
// read or cleared by the other.
//
// User side (any thread): RequestTune, SetCurrent, Current, Locked,
// RequestPidRestore. Worker side: the Take* calls, PublishLocked, Modify.
class CTuneSharedState {
  public:
    // The lock command: not locked any more, the new target, then the
    // request; wakes the worker's pause.
    void RequestTune(const TuneTarget& target) {
        m_locked.store(0);
        SetCurrent(target);
        m_tuneRequest.store(1);
        m_wake.Request();
    }
    // Start-up and the edit commands: the target without a request.
    void SetCurrent(const TuneTarget& target) {
        std::lock_guard lock(m_mutex);
        m_current = target;
    }
    TuneTarget Current() const {
        std::lock_guard lock(m_mutex);
        return m_current;
    }
    // True while the demodulator reports lock, as the worker last saw it.
    bool Locked() const { return m_locked.load() != 0; }
    // Apply the stored active PID list after the next tune.
    void RequestPidRestore() { m_restorePids.store(1); }
    bool TuneRequested() const { return m_tuneRequest.load() != 0; }
    bool PidRestorePending() const { return m_restorePids.load() != 0; }

    // --- worker side
    // Reads and clears the tune request.
    bool TakeTuneRequest() { return m_tuneRequest.exchange(0) != 0; }
    bool TakePidRestore() { return m_restorePids.exchange(0) != 0; }
    void PublishLocked(bool locked) { m_locked.store(locked ? 1 : 0); }
    // Runs change on the target under the lock (a read-modify-write that no
    // other writer can split); returns what change returned.
    bool Modify(const std::function<bool(TuneTarget&)>& change) {
        std::lock_guard lock(m_mutex);
        return change(m_current);
    }
    // Set by a tune request and by a worker told to stop; the worker's pause
    // between passes waits on it.
    CStopSignal& WakeSignal() { return m_wake; }

  private:
    mutable std::mutex m_mutex;
    TuneTarget m_current;
    std::atomic<int> m_locked{0};
    std::atomic<int> m_tuneRequest{0};
    std::atomic<int> m_restorePids{0};
    CStopSignal m_wake;
};

}  // namespace orbix
