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
    // The lock command: the new target, then, in one store, the request
    // raised and the old lock dropped; wakes the worker's pause.
    void RequestTune(const TuneTarget& target) {
        SetCurrent(target);
        m_flags.store(kTuneRequest);
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
    bool Locked() const { return (m_flags.load() & kLocked) != 0; }
    // Apply the stored active PID list after the next tune.
    void RequestPidRestore() { m_restorePids.store(1); }
    bool TuneRequested() const { return (m_flags.load() & kTuneRequest) != 0; }
    bool PidRestorePending() const { return m_restorePids.load() != 0; }

    // --- worker side
    // Reads and clears the tune request.
    bool TakeTuneRequest() { return (m_flags.fetch_and(~kTuneRequest) & kTuneRequest) != 0; }
    bool TakePidRestore() { return m_restorePids.exchange(0) != 0; }
    // Stores the lock the worker read, except while a tune request waits:
    // that lock belongs to the transponder tuned before the request. Returns
    // the lock as stored.
    bool PublishLocked(bool locked) {
        int flags = m_flags.load();
        int next = 0;
        do {
            const bool shown = locked && (flags & kTuneRequest) == 0;
            next = shown ? (flags | kLocked) : (flags & ~kLocked);
        } while (!m_flags.compare_exchange_weak(flags, next));
        return (next & kLocked) != 0;
    }
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
    // m_locked and m_tuneRequest in one word, so that raising the request
    // and dropping the lock are one step the window never sees halfway.
    static constexpr int kLocked = 1;
    static constexpr int kTuneRequest = 2;
    std::atomic<int> m_flags{0};
    std::atomic<int> m_restorePids{0};
    CStopSignal m_wake;
};

}  // namespace orbix
