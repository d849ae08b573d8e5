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

// What the user interface and the tune-and-lock worker share. The flags are
// whole atomic words written by one side and read or cleared by the other;
// the names and the record travel together under a lock, and a tune request
// is raised only after them, so the worker that sees the request reads them
// exactly as the lock command left them.
class CTuneSharedState {
  public:
    std::atomic<int> m_locked{0};
    std::atomic<int> m_tuneRequest{0};
    std::atomic<int> m_restorePids{0};

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
        g_currentSatellite = target.satellite;
        g_currentTransponder = target.transponder;
        g_currentTp = target.tp;
    }
    TuneTarget Current() const {
        std::lock_guard lock(m_mutex);
        return {g_currentSatellite, g_currentTransponder, g_currentTp};
    }
    // Runs change on the target under the lock (a read-modify-write that no
    // other writer can split); returns what change returned.
    bool Modify(const std::function<bool(TuneTarget&)>& change) {
        std::lock_guard lock(m_mutex);
        TuneTarget t{g_currentSatellite, g_currentTransponder, g_currentTp};
        const bool result = change(t);
        g_currentSatellite = std::move(t.satellite);
        g_currentTransponder = std::move(t.transponder);
        g_currentTp = std::move(t.tp);
        return result;
    }

    // Set by a tune request and by a worker told to stop; the worker's pause
    // between passes waits on it.
    CStopSignal& WakeSignal() { return m_wake; }

  private:
    mutable std::mutex m_mutex;
    std::string g_currentSatellite;
    std::string g_currentTransponder;
    TransponderParams g_currentTp;
    CStopSignal m_wake;
};

}  // namespace orbix
