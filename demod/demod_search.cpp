#include <algorithm>
#include <cstdlib>

#include "card/card_access.h"
#include "demod/demod.h"
#include "platform/clock.h"

namespace orbix {
namespace {

constexpr std::int32_t kTunerSpanHz = 24000 * 1000;
// Symbol rates a tune accepts, kS/s. Below the lower bound the chip cannot
// track; above the upper one the symbol-rate arithmetic would overflow and
// no satellite carrier is that wide.
constexpr std::int32_t kMinSymbolRateKs = 1000;
constexpr std::int32_t kMaxSymbolRateKs = 90000;
// Tuner frequencies a tune accepts, 100 kHz units: beyond the synthesizer's
// reach the kHz arithmetic of the search would overflow.
constexpr std::int32_t kMaxFrequency100kHz = 200000;

// Above this rate (kS/s) a carrier is searched over +-6 MHz with coarser
// derotator steps, else over +-4 MHz.
constexpr std::int32_t kWideCarrierRateKs = 8000;
constexpr std::uint32_t kWideSearchRangeHz = 12000000;
constexpr std::uint32_t kNarrowSearchRangeHz = 8000000;
constexpr std::int16_t kWideStepFactor = 30;
constexpr std::int16_t kNarrowStepFactor = 10;
// The derotator counts in steps of the master clock / 2^16.
constexpr std::int32_t kDerotatorDivisor = 65536;
// Settling pauses of a tune, ms: after the chip's initialisation, and on
// each side of the tune after the LNB supply and tone have switched.
constexpr int kInitSettleMs = 50;
constexpr int kLnbSettleMs = 100;

// Timing loop integrator (TLIR): at most this means no timing lock ...
constexpr int kNoTimingAtMost = 40;
// ... above this a sure lock; between the two, a real lock collapses when
// the symbol rate is pulled 1/33 off, below this.
constexpr int kSureTimingAbove = 48;
constexpr int kCollapsedTimingBelow = 40;
constexpr std::int32_t kTimingPullDivisor = 33;
constexpr int kCarrierPolls = 4;
constexpr int kDataPolls = 10;

// How many times each zig-zag passes its limit before it gives up.
constexpr int kTimingEdges = 2;
constexpr int kCarrierEdges = 4;
constexpr int kDataEdges = 2;
constexpr int kDataTries = 5;
// The data search moves the tuner: by 4/3 MHz steps above 8 MS/s, by an
// eighth of the rate above 5 MS/s, else by a sixteenth.
constexpr std::int32_t kWideDataRate = 8000000;    // S/s
constexpr std::int32_t kMediumDataRate = 5000000;  // S/s
constexpr std::int32_t kWideDataStepHz = 1333333;

// Signal quality by noise indicator MSB - 13.
constexpr std::array<int, 41> kQualityTable{99, 97, 94, 92, 89, 87, 84, 82, 79, 76, 74, 71, 69, 67,
                                            64, 61, 59, 57, 54, 52, 50, 47, 45, 42, 40, 38, 34, 32,
                                            30, 27, 25, 22, 21, 19, 16, 13, 10, 8,  5,  4,  2};
constexpr int kQualityTableBase = 13;  // noise MSB at or below: best quality
constexpr int kBestQuality = 99;
constexpr int kNoQualityAbove = 55;     // noise MSB above: no quality at all
constexpr int kCoarseQualityFrom = 54;  // 54 and 55: the LSB alone, in hundreds
constexpr int kCoarseQualityDivisor = 100;
constexpr int kFineQualityDivisor = 80;

// Signal level: the AGC integrator, below -101 nothing, raised by a small
// correction when the noise indicator is near its floor, halved to 0..100.
constexpr int kNoLevelBelowAgc = -101;
constexpr std::int32_t kNoiseFloor = 15000;
constexpr std::uint32_t kMaxNoiseCorrection = 50;
constexpr int kAgcOffset = 100;
constexpr std::uint32_t kMaxLevelSum = 200;
constexpr std::uint32_t kHeldLevelSum = 198;

std::int16_t To16(std::int32_t v) { return static_cast<std::int16_t>(v); }

}  // namespace

std::int32_t CDemod::GetMasterClock() {
    ReadRegs(reg::RCR, 2);
    if (GetFieldValue(fld::STDBY) == 1) return 0;
    if (GetFieldValue(fld::DIRCLK) == 1) return m_quartz;
    const std::int64_t k = GetFieldValue(fld::K);
    const std::int64_t m = GetFieldValue(fld::M);
    const int p = GetFieldValue(fld::P);
    const std::int64_t divisor = (std::int64_t{1} << (p / 2 + 1)) * ((p % 2) + 2);
    return static_cast<std::int32_t>(((m_quartz / (k + 1)) * (m + 1) * 4) / divisor);
}

void CDemod::SetSymbolRate(std::int32_t symbolsPerSecond) {
    const std::int64_t clock = GetMasterClock();
    std::int64_t ratio = 0;  // rate / clock in 2^-20 units, 21 bits
    if (clock > 0 && symbolsPerSecond > 0) {
        ratio = std::min<std::int64_t>((std::int64_t{symbolsPerSecond} << 20) / clock, 0x1FFFFF);
    }
    SetFieldValue(fld::SYMB_FREQH, static_cast<int>((ratio >> 12) & 0xFF));
    SetFieldValue(fld::SYMB_FREQM, static_cast<int>((ratio >> 4) & 0xFF));
    SetFieldValue(fld::SYMB_FREQL, static_cast<int>(ratio & 0x0F));
    WriteRegs(reg::SFRH, 3);
}

std::int32_t CDemod::SymbolRateFromRegs(int h, int m, int l) {
    const std::int64_t c = GetMasterClock() / 4096;
    return static_cast<std::int32_t>(((std::int64_t{h} * 256 + m) * c) / 16 + (c * l) / 256);
}

void CDemod::Tune(std::int32_t symbolRateKs, std::int32_t frequency100kHz) {
    m_symbolRateSetting = symbolRateKs;
    const std::int32_t frequency = std::clamp(frequency100kHz, 0, kMaxFrequency100kHz);
    m_requestedFrequency = frequency * 100;
    // A rejected tune also invalidates the previous one: searching on its
    // parameters would lock the old carrier and report it for this request.
    m_tuneValid = false;
    if (symbolRateKs < kMinSymbolRateKs || symbolRateKs > kMaxSymbolRateKs) return;
    if (frequency != frequency100kHz) return;
    const bool wide = symbolRateKs > kWideCarrierRateKs;
    TunerInit();
    Init(true);
    Sleep(kInitSettleMs);
    WriteField(fld::OUTPUTTYPE, 0);
    m_params = SearchParams{};
    m_params.masterClock = GetMasterClock();
    m_params.derotatorUnit = m_params.masterClock / kDerotatorDivisor;
    m_params.tunerFrequency = frequency100kHz * 100;
    m_params.symbolRate = symbolRateKs * 1000;
    m_params.searchRange = wide ? kWideSearchRangeHz : kNarrowSearchRangeHz;
    m_params.stepFactor = wide ? kWideStepFactor : kNarrowStepFactor;
    m_params.tunerSpan = kTunerSpanHz;
    m_result = SearchResult{};
    m_tuneValid = true;
    SetTunerBandwidth(frequency100kHz, symbolRateKs);
    SetTunerFrequency(frequency100kHz * 100);
}

int CDemod::ReadLockField(int field) {
    // A chip that stops answering reads as all ones, which would look like
    // every lock bit set; an unacknowledged read counts as not locked.
    if (ReadReg(kFieldTable[field].reg) == -1) return 0;
    return GetFieldValue(field);
}

bool CDemod::IsLocked() { return ReadLockField(fld::LK) != 0 && ReadLockField(fld::PRF) != 0; }

void CDemod::WriteDerotator(std::int32_t value) {
    const auto v = static_cast<std::uint16_t>(value);
    SetFieldValue(fld::DEROTATORFREQUENCYMSB, v >> 8);
    SetFieldValue(fld::DEROTATORFREQUENCYLSB, v & 0xFF);
    WriteRegs(reg::CFRM, 2);
}

std::int16_t CDemod::ReadDerotator() {
    ReadRegs(reg::CFRM, 2);
    return To16(Cached(reg::CFRM) * 256 + Cached(reg::CFRL));
}

std::uint32_t CDemod::SubRangeLimit() const {
    return (m_params.subRange / 2) / static_cast<std::uint32_t>(m_params.derotatorUnit);
}

void CDemod::CheckTiming() {
    Wait(1);
    const int integrator = ReadLockField(fld::TLIR);
    if (integrator <= kNoTimingAtMost) {
        m_params.state = kNoTiming;
        return;
    }
    if (integrator > kSureTimingAbove) {
        m_params.state = kTimingLock;
        return;
    }
    // Borderline: a real timing lock collapses when the symbol rate is
    // pulled off; noise does not care.
    ReadRegs(reg::SFRH, 3);
    const int high = GetFieldValue(fld::SYMB_FREQH);
    const int middle = GetFieldValue(fld::SYMB_FREQM);
    const int low = GetFieldValue(fld::SYMB_FREQL);
    const std::int32_t rate = SymbolRateFromRegs(high, middle, low);
    SetSymbolRate(rate - rate / kTimingPullDivisor);
    Wait(1);
    const int pulled = ReadReg(reg::TLIR) == -1 ? 255 : GetFieldValue(fld::TLIR);
    m_params.state = pulled < kCollapsedTimingBelow ? kTimingLock : kNoTiming;
    SetFieldValue(fld::SYMB_FREQH, high);
    SetFieldValue(fld::SYMB_FREQM, middle);
    SetFieldValue(fld::SYMB_FREQL, low);
    WriteRegs(reg::SFRH, 3);
}

void CDemod::CheckCarrier() {
    Wait(1);
    for (int i = 0; i < kCarrierPolls; ++i) {
        Wait(1);
        if (ReadLockField(fld::CF) == 1) break;
    }
    m_params.state = ReadLockField(fld::CF) != 0 ? kCarrierLock : kNoCarrier;
}

void CDemod::CheckData() {
    Wait(1);
    int locked = 0;
    for (int i = 0; i < kDataPolls && locked != 1; ++i) {
        Sleep(1);
        locked = ReadLockField(fld::LK);
    }
    m_params.state = locked != 0 ? kDataLock : kNoData;
}

void CDemod::SwapIq() { WriteField(fld::IQ, ~ReadField(fld::IQ) & 1); }

bool CDemod::CheckDataEitherIq() {
    CheckData();
    if (m_params.state != kNoData) return true;
    SwapIq();
    CheckData();
    if (m_params.state != kNoData) return true;
    SwapIq();  // neither way: back to the setting it had
    return false;
}

void CDemod::ZigZag(void (CDemod::*test)(), const ZigZagSteps& steps, std::int16_t start,
                    std::int32_t step) {
    const auto limit = To16(static_cast<std::int32_t>(SubRangeLimit()));
    // A zero step would never reach the limit; the smallest step still does.
    step = std::max(step, std::int32_t{1});
    int edges = steps.edges;
    m_params.direction = -1;
    int count = 0;
    std::int16_t previous = start;
    std::int16_t value = start;
    for (;;) {
        (this->*test)();
        if (m_params.state == steps.failState) {
            previous = value;
            ++count;
            value = To16(value + m_params.direction * count * step);
            if (std::abs(value) > limit) --edges;
            if (edges != 0) WriteDerotator(value);
        } else {
            m_result.symbolRateFound = m_params.symbolRate;
        }
        m_params.direction = To16(-m_params.direction);
        if (m_params.state == steps.successState) {
            m_params.derotator = ReadDerotator();
            return;
        }
        if (edges == 0 || Stopping()) {
            m_params.derotator = previous;
            return;
        }
    }
}

bool CDemod::TimingSearch() {
    const std::int32_t step = (m_params.symbolRate / 2) / m_params.derotatorUnit;
    ZigZag(&CDemod::CheckTiming, {kNoTiming, kTimingLock, kTimingEdges}, 0, step);
    return m_params.state == kTimingLock;
}

bool CDemod::CarrierSearch() {
    ZigZag(&CDemod::CheckCarrier, {kNoCarrier, kCarrierLock, kCarrierEdges}, m_params.derotator,
           m_params.derotatorStep);
    return m_params.state == kCarrierLock;
}

std::int32_t CDemod::DataSearchStep() const {
    const std::int32_t rate = m_params.symbolRate;
    const std::int32_t stepHz = rate > kWideDataRate     ? kWideDataStepHz
                                : rate > kMediumDataRate ? rate / 8
                                                         : rate / 16;
    return stepHz / m_params.derotatorUnit;
}

int CDemod::DataSearch() {
    const std::int32_t unit = m_params.derotatorUnit;
    const std::int32_t step = DataSearchStep();
    const auto limit = To16(static_cast<std::int32_t>(SubRangeLimit()));
    m_params.state = kNoCarrier;
    int edges = kDataEdges;
    std::int16_t offset = 0;  // from the tuner frequency, derotator units
    // The tuner zig-zags around the frequency the carrier was found at,
    // starting on the side the carrier search was heading for.
    for (int tries = 1;; ++tries) {
        offset = To16(offset + 2 * m_params.direction * tries * step);
        const std::int32_t wanted = m_params.tunerFrequency + (offset * unit) / 1000;  // kHz
        if (std::abs(offset) > limit) --edges;
        if (edges != 0) {
            const std::int32_t reached = SetTunerFrequency(wanted);
            // The tuner lands on its 125 kHz grid; the derotator takes up
            // the rest, converted from kHz to derotator units.
            WriteDerotator(static_cast<std::int32_t>(std::int64_t{wanted - reached} * 1000 / unit));
            CheckDataEitherIq();
        }
        m_params.direction = To16(-m_params.direction);
        if (m_params.state == kDataLock) {
            m_params.tunerFrequency = wanted;
            m_params.derotator = ReadDerotator();
            return kDataLock;
        }
        if (edges == 0 || Stopping()) return m_params.state;
        if (tries >= kDataTries) break;
    }
    m_params.state = kDataSearchGaveUp;
    return kDataSearchGaveUp;
}

int CDemod::CheckDataWithRetry() {
    if (!CheckDataEitherIq()) DataSearch();
    return m_params.state;
}

bool CDemod::CheckRange() {
    const std::int32_t found =
        m_params.tunerFrequency + (m_params.derotator * m_params.derotatorUnit) / 1000;
    const auto halfRange = static_cast<std::int32_t>(m_params.searchRange / 2000);  // kHz
    if (found < m_params.initialFrequency - halfRange ||
        found > m_params.initialFrequency + halfRange) {
        m_params.state = kLockedOutOfRange;
        return false;
    }
    m_params.state = kLockedInRange;
    m_result.frequencyFound = found;
    return true;
}

void CDemod::InitSubRange() {
    const auto rest = static_cast<std::uint32_t>(m_params.tunerSpan - m_params.symbolRate);
    m_params.subRange = std::min(m_params.searchRange, rest);
    m_params.tunerFrequency = m_params.initialFrequency;
    m_params.subRangeOffset = 0;
    m_params.subRangeDirection = 1;
}

void CDemod::NextSubRange() {
    if (m_params.subRangeDirection > 0) {
        const auto offset = static_cast<std::uint32_t>(m_params.subRangeOffset);
        const std::uint32_t width =
            std::min(m_params.searchRange / 2 - m_params.subRange / 2 - offset, m_params.subRange);
        m_params.subRangeOffset =
            static_cast<std::int32_t>(offset + (width + m_params.subRange) / 2);
        m_params.subRange = width;
    }
    m_params.tunerFrequency =
        m_params.initialFrequency + (m_params.subRangeOffset * m_params.subRangeDirection) / 1000;
    m_params.subRangeDirection = To16(-m_params.subRangeDirection);
}

int CDemod::EndWithoutLock() {
    m_params.state = kNoTiming;
    m_result.state = kNoTiming;
    m_result.frequencyFound = m_requestedFrequency;
    return kNoTiming;
}

int CDemod::Search() {
    // Without a valid tune or a running master clock there is nothing to
    // search with (and the derotator unit would be 0).
    if (!m_tuneValid || m_params.derotatorUnit <= 0) return EndWithoutLock();
    m_params.initialFrequency = m_params.tunerFrequency;
    SetSymbolRate(m_params.symbolRate);
    m_params.derotatorStep =
        To16((m_params.stepFactor * (m_params.symbolRate / 1000)) / m_params.derotatorUnit);
    InitSubRange();
    int dataState = 0;
    do {
        WriteDerotator(0);
        m_params.derotator = 0;
        m_params.state = kSubRangeStarted;
        m_params.tunerFrequency = SetTunerFrequency(m_params.tunerFrequency);
        Wait(1);
        // A carrier narrower than half the tuner's span leaves room for a
        // timing zig-zag; a wider one gets a single look.
        bool timing = false;
        if (m_params.symbolRate <= m_params.tunerSpan / 2) {
            timing = TimingSearch();
        } else {
            CheckTiming();
            timing = m_params.state == kTimingLock;
        }
        if (timing && CarrierSearch()) {
            dataState = CheckDataWithRetry();
            if (dataState == kDataLock && CheckRange()) m_result.punctureRate = ReadField(fld::CPR);
        }
        NextSubRange();
    } while (m_params.subRange != 0 && m_params.state != kLockedInRange &&
             dataState != kDataSearchGaveUp && !Stopping());
    m_result.state = m_params.state;
    if (m_params.state != kLockedInRange) m_result.frequencyFound = m_params.initialFrequency;
    return m_params.state;
}

int CDemod::GetQuality() {
    const int msb = ReadField(fld::NOISEINDICATORMSB);
    Wait(1);
    const int lsb = ReadField(fld::NOISEINDICATORLSB);
    if (msb <= kQualityTableBase) return kBestQuality;
    if (msb > kNoQualityAbove) return 0;
    if (msb >= kCoarseQualityFrom) return lsb / kCoarseQualityDivisor;
    const int quality = static_cast<std::uint8_t>(kQualityTable[msb - kQualityTableBase] +
                                                  lsb / kFineQualityDivisor);
    return std::min(quality, kBestQuality);
}

int CDemod::GetSignalInfo(int& level, int& quality) {
    const bool agcRead = ReadReg(reg::AGC1I) != -1;
    const int agc = GetFieldValue(fld::AGCINTEGRATORVALUE);
    Wait(1);
    const bool noiseRead = ReadRegs(reg::NIRH, 2) != -1;
    const int noise = Cached(reg::NIRH) * 256 + Cached(reg::NIRL);
    if (!agcRead || !noiseRead) {
        // An unanswering chip reads all ones, which would decode as a
        // middling level; there is no signal to report.
        level = 0;
        quality = 0;
        return 0;
    }
    if (agc < kNoLevelBelowAgc) {
        level = 0;
    } else {
        std::uint32_t correction = (static_cast<std::uint32_t>(kNoiseFloor - noise) / 100) * 4;
        if (correction > kMaxNoiseCorrection) correction = 0;
        std::uint32_t sum = static_cast<std::uint8_t>(
            std::abs(static_cast<int>(correction / 10) + agc + kAgcOffset));
        if (sum > kMaxLevelSum) sum = kHeldLevelSum;
        level = static_cast<int>(sum / 2);
    }
    quality = GetQuality();
    return quality;
}

bool CDemod::TuneTransponder(std::int32_t symbolRateKs, std::int32_t frequency100kHz) {
    if (m_access == nullptr) return false;
    m_access->SetLnbSelect(m_lnbSelect);
    if (m_toneOn != 0) {
        SetToneOn();
    } else {
        SetToneOff();
    }
    Sleep(kLnbSettleMs);
    Tune(symbolRateKs, frequency100kHz);
    Sleep(kLnbSettleMs);
    return Search() == kLockedInRange;
}

}  // namespace orbix
