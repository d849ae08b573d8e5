#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "demod/demod_tables.h"

namespace orbix {

class CCardAccess;
class CStopSignal;

// States of a carrier search.
enum SearchState : int {
    kSubRangeStarted = 0,
    kNoTiming = 3,
    kTimingLock = 4,
    kNoCarrier = 7,
    kCarrierLock = 8,
    kNoData = 9,
    kDataLock = 11,
    kLockedOutOfRange = 12,
    kLockedInRange = 13,
    kDataSearchGaveUp = 14,
};

// The synthesizer behind the demodulator: four bytes per change, 125 kHz step.
struct TunerState {
    std::array<std::uint8_t, 4> bytes{};
    std::int32_t step = 125000;  // Hz
    std::int32_t offset = 0;     // kHz, subtracted after conversion
    std::int32_t sign = 1;
    std::int32_t currentDivider = 0;
    std::int32_t currentFrequency = 0;  // kHz
    std::int32_t searchSpan = 24000;    // kHz
};

struct SearchParams {
    std::int32_t state = 0;
    std::int32_t tunerFrequency = 0;    // kHz
    std::int32_t initialFrequency = 0;  // kHz
    std::int32_t symbolRate = 0;        // S/s
    std::int32_t masterClock = 0;       // Hz
    std::int32_t derotatorUnit = 0;     // Hz
    std::int32_t subRangeOffset = 0;    // Hz
    std::int32_t tunerSpan = 0;         // Hz
    std::uint32_t searchRange = 0;      // Hz
    std::uint32_t subRange = 0;         // Hz
    std::int16_t derotator = 0;
    std::int16_t stepFactor = 0;
    std::int16_t derotatorStep = 0;
    std::int16_t direction = 0;
    std::int16_t subRangeDirection = 0;
};

struct SearchResult {
    std::int32_t state = 0;
    std::int32_t punctureRate = 0;
    std::int32_t frequencyFound = 0;   // kHz
    std::int32_t symbolRateFound = 0;  // S/s
};

// The satellite demodulator (bus address 0xD0) and, through its repeater,
// the tuner: register and field model, tuner, LNB and tone control, carrier
// search, lock test and signal readings.
//
// Threads: the tune-and-lock worker tunes and searches; the card monitor
// only reads the lock and the signal. The register cache is made of atomic
// bytes so those reads never race with the worker's writes; read-modify-
// write of a field is not atomic, which is why the monitor only reads.
class CDemod {
  public:
    static constexpr std::int32_t kQuartz = 4000000;

    CDemod();
    // Switches the tone and the LNB supply off while the card is reachable.
    virtual ~CDemod();
    CDemod(const CDemod&) = delete;
    CDemod& operator=(const CDemod&) = delete;

    // Not owned; set to nullptr before the access object goes away.
    void SetCardAccess(CCardAccess* access) { m_access = access; }
    // Pauses then wake on stop and a running search ends early, so the
    // thread that tunes can be joined promptly. nullptr for plain pauses.
    void SetStopSignal(CStopSignal* stop) { m_stop = stop; }

    // Register model. Indices are register-table indices.
    int WriteReg(int index, std::uint8_t value);
    int ReadReg(int index);
    int WriteRegs(int first, int count);
    int ReadRegs(int first, int count);
    void SetFieldValue(int field, int value);
    int GetFieldValue(int field) const;
    int WriteField(int field, int value);
    int ReadField(int field);
    void Init(bool useInitialValues);
    bool CheckId();
    void Wait(int ms);
    std::uint8_t Cached(int index) const { return m_cache[index].load(); }
    std::int32_t Quartz() const { return m_quartz; }
    std::int32_t SymbolRateSetting() const { return m_symbolRateSetting; }

    // Tuner, LNB and tone.
    void TunerInit();
    std::int32_t GetTunerDivider() const;
    void SetTunerDivider(std::int32_t n);
    std::int32_t GetTunerFrequency();
    std::int32_t SetTunerFrequency(std::int32_t kHz);
    void SetTunerBandwidth(std::int32_t frequency100kHz, std::int32_t symbolRateKs);
    int WriteTuner();
    void SetToneOn();
    void SetToneOff();
    const TunerState& Tuner() const { return m_tuner; }

    // What the next TuneTransponder switches: 3 horizontal, 2 vertical, 0 off.
    void SetLnbSelect(std::uint8_t select) { m_lnbSelect = select; }
    std::uint8_t LnbSelect() const { return m_lnbSelect; }
    void SetToneWanted(bool on) { m_toneOn = on ? 1 : 0; }
    bool ToneWanted() const { return m_toneOn != 0; }

    // Carrier search and lock.
    void Tune(std::int32_t symbolRateKs, std::int32_t frequency100kHz);
    int Search();
    bool IsLocked();
    int GetSignalInfo(int& level, int& quality);
    int GetQuality();
    std::int32_t GetMasterClock();
    void SetSymbolRate(std::int32_t symbolsPerSecond);
    std::int32_t SymbolRateFromRegs(int h, int m, int l);
    // The frequency found by the last search, in 100 kHz units.
    std::int32_t FoundFrequency() const { return m_result.frequencyFound / 100; }
    const SearchResult& Result() const { return m_result; }

    // Switches LNB and tone, tunes and searches: true when locked in range.
    bool TuneTransponder(std::int32_t symbolRateKs, std::int32_t frequency100kHz);

  private:
    // What one zig-zag of the derotator looks for, and how many times it may
    // pass its limit before it gives up.
    struct ZigZagSteps {
        int failState;
        int successState;
        int edges;
    };

    bool Stopping() const;
    void Sleep(int ms);
    int ReadLockField(int field);
    void WriteDerotator(std::int32_t value);
    std::int16_t ReadDerotator();
    // Half the current sub-range, in derotator units.
    std::uint32_t SubRangeLimit() const;

    // The search's lock tests; each leaves its verdict in m_params.state.
    void CheckTiming();
    void CheckCarrier();
    void CheckData();
    void SwapIq();
    // CheckData, and again with I and Q swapped; true on data lock. Without
    // a lock either way the IQ setting is put back as it was.
    bool CheckDataEitherIq();

    void ZigZag(void (CDemod::*test)(), const ZigZagSteps& steps, std::int16_t start,
                std::int32_t step);
    bool TimingSearch();
    bool CarrierSearch();
    std::int32_t DataSearchStep() const;
    int DataSearch();
    int CheckDataWithRetry();
    bool CheckRange();
    void InitSubRange();
    void NextSubRange();
    int EndWithoutLock();

    std::uint8_t m_lnbSelect = 0;
    std::int32_t m_toneOn = 0;
    CCardAccess* m_access = nullptr;
    CStopSignal* m_stop = nullptr;
    std::int32_t m_quartz = 0;
    std::int32_t m_symbolRateSetting = 4000;
    std::array<std::atomic<std::uint8_t>, kRegisterCount> m_cache{};
    TunerState m_tuner;
    SearchParams m_params;
    SearchResult m_result;
    // A search needs a tune that set its parameters and a running clock.
    bool m_tuneValid = false;
    std::int32_t m_requestedFrequency = 0;  // kHz
};

}  // namespace orbix
