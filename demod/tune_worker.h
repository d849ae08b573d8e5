#pragma once

#include <atomic>
#include <cstdint>
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

// The downlink frequency a lock found at foundFrequency (100 kHz units of
// the tuner) stands for: LO + IF or |IF - LO|, whichever is nearer the
// requested frequency.
double CorrectedFrequency(double requested, std::int32_t lo, std::int32_t foundFrequency);

// The active PID list as stored: count entries of "|"-terminated hex text.
// Entries missing from the list are ignored; entries that are not a PID (1
// to 4 hex digits, at most 0x1FFF) are skipped; at most 32 are taken.
std::vector<std::uint16_t> ParseActivePids(int count, const std::string& list);

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

    CDemod& m_demod;
    CPidFilter& m_pids;
    CTuneSharedState& m_state;
    IClock& m_clock;
    CChannelDatabase m_database;
    CStopSignal m_stop;
    std::thread m_thread;
    std::atomic<std::uint64_t> m_tunes{0};
};

}  // namespace orbix
