#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/clock.h"
#include "platform/notices.h"

namespace orbix {

class CCardAccess;
class CCardCheck;
class CPidFilter;

// Signal level (0..100) and quality (0..99) as the demodulator reads them.
struct SignalReading {
    int level = 0;
    int quality = 0;
    bool operator==(const SignalReading&) const = default;
};

// What the monitor works on. The demodulator is reached through readSignal
// only, so the card layer does not depend on its driver.
struct CardMonitorParts {
    CCardCheck& check;
    CCardAccess& access;
    CPidFilter& pids;
    IClock& clock;
    INotices& notices;
    // Reads level and quality (the demodulator's GetSignalInfo).
    std::function<SignalReading()> readSignal;
    // Told of every reading that differs from the one before, on the
    // monitor's thread.
    std::function<void(const SignalReading&)> onSignal;
};

// The card monitor: about ten times a second it reads the signal, checks the
// status port (repairing the card when it can) and checks that the logic
// still answers; when the logic answers none of three probes it reloads the
// configuration image and restores the control register and the PID table.
// It ends by itself only when the status fault persists, after telling the
// user.
class CCardMonitor {
  public:
    static constexpr int kCycleMs = 100;
    static constexpr int kLogicProbes = 3;

    explicit CCardMonitor(CardMonitorParts parts);
    // Stops and joins.
    ~CCardMonitor();
    CCardMonitor(const CCardMonitor&) = delete;
    CCardMonitor& operator=(const CCardMonitor&) = delete;

    void Start();
    // Wakes the cycle's pause and returns once the thread has ended. A
    // notice the thread is showing must be answered (or released) first.
    void Stop();

    // One cycle; false when the card could not be repaired, after telling
    // the user.
    bool Cycle();
    // True from Start until the thread ends (by Stop or by a lasting fault).
    bool Running() const { return m_running.load(); }
    std::uint64_t Reloads() const { return m_reloads.load(); }

  private:
    void Run();
    void ReadSignal();
    bool LogicAnswers();
    void Reload();

    CardMonitorParts m_parts;
    CStopSignal m_stop;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<std::uint64_t> m_reloads{0};
    bool m_haveReading = false;
    SignalReading m_last;
};

}  // namespace orbix
