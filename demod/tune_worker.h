#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "db/channel_database.h"
#include "demod/demod.h"
#include "demod/tune_state.h"
#include "platform/clock.h"

namespace orbix {

class CPidFilter;

// How the worker turns a stored record into tuner settings.
struct TuneSettings {
    std::uint8_t lnbSelect = 0;  // 3 horizontal, 2 vertical, 0 supply off
    bool toneOn = false;
    std::int32_t lo = 0;              // MHz
    std::int32_t tunerFrequency = 0;  // 100 kHz units
};
TuneSettings SettingsFor(const TransponderParams& tp);

// The downlink frequency a lock found at foundKhz (the tuner's frequency as
// the search reports it) stands for: LO + IF or |IF - LO|, whichever is
// nearer the requested frequency (the second when both are), rounded to the
// 0.1 MHz the channel database keeps.
double CorrectedFrequencyKhz(double requested, std::int32_t lo, std::int32_t foundKhz);
// The same for a found frequency in 100 kHz units.
double CorrectedFrequency(double requested, std::int32_t lo, std::int32_t foundFrequency);

// Why the last tune ended without lock.
enum class TuneFailure { None, NoLock, DemodulatorSilent };
// The reason as the user reads it (GBK); empty for None.
std::string TuneFailureText(TuneFailure failure);

// What the worker reports after each step that changes it.
struct TuneStatus {
    bool locked = false;
    // The corrected downlink frequency of the last lock, MHz; 0 before one.
    float frequency = 0;
    std::string satellite;    // GBK: the transponder tuned last
    std::string transponder;  // GBK
    TuneFailure failure = TuneFailure::None;
    // The number of the tune these names belong to (1 for the first), and
    // whether that tune has ended in lock or failure.
    std::uint64_t attempt = 0;
    bool settled = false;

    bool operator==(const TuneStatus&) const = default;
};
using TuneStatusListener = std::function<void(const TuneStatus&)>;

// The background thread that owns all tuning: it keeps the demodulator
// locked, tunes whatever the user asks for, re-tunes whenever the lock is
// lost, writes the frequency found back into the channel database, and
// applies the stored PID list once after start-up.
class CTuneWorker {
  public:
    static constexpr int kPauseMs = 500;

    CTuneWorker(CDemod& demod, CPidFilter& pids, CTuneSharedState& state, IClock& clock,
                std::string databasePath = CChannelDatabase::kDefaultPath);
    // Stops and joins.
    ~CTuneWorker();
    CTuneWorker(const CTuneWorker&) = delete;
    CTuneWorker& operator=(const CTuneWorker&) = delete;

    // Told of every change of the status, on the thread that runs the pass
    // (the worker's own once started). Set before Start.
    void SetStatusListener(TuneStatusListener listener) { m_listener = std::move(listener); }
    TuneStatus Status() const;

    void Start();
    // Wakes every pause and ends a running search early; returns once the
    // thread has ended.
    void Stop();

    // One pass of the loop, without its closing pause; false when the pass
    // wants the next one at once.
    bool Pass();
    std::uint64_t Tunes() const { return m_tunes.load(); }

  private:
    void Run();
    // False when the user chose another transponder while it was tuned.
    bool TuneCurrent();
    void RestorePids();
    void Pause();
    // Applies change to the status and tells the listener when it changed.
    void Publish(const std::function<void(TuneStatus&)>& change);
    void EndWithoutLock();

    CDemod& m_demod;
    CPidFilter& m_pids;
    CTuneSharedState& m_state;
    IClock& m_clock;
    CChannelDatabase m_database;
    CStopSignal m_stop;
    std::thread m_thread;
    std::atomic<std::uint64_t> m_tunes{0};
    TuneStatusListener m_listener;
    mutable std::mutex m_statusMutex;
    TuneStatus m_status;
};

}  // namespace orbix
