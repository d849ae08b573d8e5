#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "app/card_bringup.h"
#include "card/card_monitor.h"
#include "card/signal_history.h"
#include "db/channel_database.h"
#include "demod/demod.h"
#include "demod/tune_state.h"
#include "demod/tune_worker.h"

namespace orbix {

// Everything the windows show about the card, as one snapshot.
struct CardStatus {
    TuneStatus tune;           // from the tune-and-lock worker
    SignalReading signal;      // from the card monitor
    std::uint64_t serial = 0;  // rises by one with every change delivered
};
using CardStatusListener = std::function<void(const CardStatus&)>;

struct CardSessionContext {
    IPortIo& ports;
    IClock& clock;
    INotices& notices;
    std::uint16_t ioBase = 0;  // g_cardIoBase, as start-up found it
    std::string configurationPath = kConfigurationImage;
    std::string databasePath = CChannelDatabase::kDefaultPath;
    // Told of each card bring-up step as it ends (orbixctl probe prints them).
    std::function<void(BringUpStep, bool)> onStep;
};

// The last transponder from the channel database: the first line of section
// "Last"; when it names none, the default record, with the transponder name
// left as it was in current. The satellite is always the record's own.
TuneTarget LoadLastTransponder(const CChannelDatabase& database, TuneTarget current);

// One session with the card, from bring-up to shutdown: the card check, the
// card access, the PID filter, the demodulator, the tune-and-lock worker and
// the card monitor. The program search belongs to whoever starts it (the
// satellite tree window, orbixctl scan), which stops it before Shutdown. Plain C++; the windowed
// program and orbixctl drive it alike. Start-up (instance lock, port I/O, PCI scan) runs before, on
// its own.
//
// Threads:
// - The owner thread (the GUI thread, or orbixctl's main thread) constructs
//   the session and calls BringUp, Shutdown, the listener registration and
//   the tune calls. Only the tune-and-lock worker and the
//   card monitor reach card registers after bring-up, apart from PID filter
//   changes, which any thread may make (the filter serialises them).
// - Status listeners are called on the worker's or the monitor's thread, one
//   call at a time and in the order of the changes. A listener must return
//   promptly (a window turns the call into a queued one), must not show a
//   notice and must not call RemoveStatusListener or Shutdown.
// - LastStatus, Current and Locked may be called from any thread.
// - Workers may block in INotices::Show; Shutdown joins them, so the
//   notices must let waiting threads go once shutdown begins. Shutdown holds
//   no lock while it joins.
class CCardSession {
  public:
    explicit CCardSession(CardSessionContext context);
    // Shuts down.
    ~CCardSession();
    CCardSession(const CCardSession&) = delete;
    CCardSession& operator=(const CCardSession&) = delete;

    // Checks the card, loads its logic, brings up the demodulator, loads
    // the last transponder and starts the worker and the monitor. On a
    // failed step the user has been told why and false comes back; nothing
    // runs then, and the caller ends the program. Call once.
    bool BringUp();
    // Stops and joins the monitor and the worker, clears the
    // whole PID filter, then lets the card objects go. Safe to repeat, and
    // after a failed bring-up.
    void Shutdown();
    bool IsUp() const { return m_up.load(); }

    // --- events
    // Returns an id for RemoveStatusListener. After removal returns, the
    // listener is not called again.
    int AddStatusListener(CardStatusListener listener);
    void RemoveStatusListener(int id);
    CardStatus LastStatus() const;

    // --- the current transponder
    // The lock command: tune this transponder now.
    void RequestTune(const TuneTarget& target);
    // An edit of the current transponder: the new record without a tune.
    void SetCurrent(const TuneTarget& target);
    TuneTarget Current() const { return m_state.Current(); }
    bool Locked() const { return m_state.Locked(); }

    // --- PID filter, for play and stop; any thread. It stays valid for the
    // session's life and writes nothing once the session is shut down.
    CPidFilter& PidFilter() { return m_pids; }

    // What the session was made with, for the windows that share them.
    IClock& Clock() const { return m_context.clock; }
    const std::string& DatabasePath() const { return m_context.databasePath; }

    // Every reading of the card monitor, with the lock, for the aiming meter;
    // any thread.
    CSignalHistory& SignalHistory() { return m_history; }

    // The monitor ends by itself after a status fault it could not repair.
    bool MonitorRunning() const { return m_monitor && m_monitor->Running(); }

  private:
    bool BringUpDemod();
    void StartWorkers();
    void OnTuneStatus(const TuneStatus& status);
    void OnSignal(const SignalReading& reading);
    void Deliver(const std::function<void(CardStatus&)>& change);

    CardSessionContext m_context;
    CChannelDatabase m_database;
    CPidFilter m_pids;
    CTuneSharedState m_state;
    CardObjects m_card;
    std::unique_ptr<CDemod> m_demod;
    std::unique_ptr<CTuneWorker> m_worker;
    std::unique_ptr<CCardMonitor> m_monitor;
    std::atomic<bool> m_up{false};
    CSignalHistory m_history;

    // Held while listeners are called, so calls never overlap or reorder;
    // m_statusMutex guards the snapshot alone, for LastStatus.
    std::mutex m_deliverMutex;
    std::map<int, CardStatusListener> m_listeners;
    int m_nextListener = 1;
    mutable std::mutex m_statusMutex;
    CardStatus m_status;
};

}  // namespace orbix
