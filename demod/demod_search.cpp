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

// Signal quality by noise indicator MSB - 13.
constexpr std::array<int, 41> kQualityTable{99, 97, 94, 92, 89, 87, 84, 82, 79, 76, 74, 71, 69, 67,
                                            64, 61, 59, 57, 54, 52, 50, 47, 45, 42, 40, 38, 34, 32,
                                            30, 27, 25, 22, 21, 19, 16, 13, 10, 8,  5,  4,  2};

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
    const std::int64_t clk = GetMasterClock();
    std::int64_t n = 0;
    if (clk > 0 && symbolsPerSecond > 0) {
        n = std::min<std::int64_t>((std::int64_t{symbolsPerSecond} << 20) / clk, 0x1FFFFF);
    }
    SetFieldValue(fld::SYMB_FREQH, static_cast<int>((n >> 12) & 0xFF));
    SetFieldValue(fld::SYMB_FREQM, static_cast<int>((n >> 4) & 0xFF));
    SetFieldValue(fld::SYMB_FREQL, static_cast<int>(n & 0x0F));
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
    const bool wide = symbolRateKs > 8000;
    TunerInit();
    Init(true);
    Sleep(50);
    WriteField(fld::OUTPUTTYPE, 0);
    m_params = SearchParams{};
    m_params.masterClock = GetMasterClock();
    m_params.derotatorUnit = m_params.masterClock / 65536;
    m_params.tunerFrequency = frequency100kHz * 100;
    m_params.symbolRate = symbolRateKs * 1000;
    m_params.searchRange = wide ? 12000000u : 8000000u;
    m_params.stepFactor = wide ? 30 : 10;
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

int CDemod::IsLocked() {
    const int lk = ReadLockField(fld::LK);
    const int prf = ReadLockField(fld::PRF);
    return (lk != 0 && prf != 0) ? 1 : 0;
}

void CDemod::WriteDerotator(std::int32_t value) {
    const auto v = static_cast<std::uint16_t>(value);
    SetFieldValue(fld::DEROTATORFREQUENCYMSB, v >> 8);
    SetFieldValue(fld::DEROTATORFREQUENCYLSB, v & 0xFF);
    WriteRegs(reg::CFRM, 2);
}

void CDemod::CheckTiming() {
    Wait(1);
    const int t = ReadLockField(fld::TLIR);
    if (t <= 40) {
        m_params.state = kNoTiming;
        return;
    }
    if (t > 48) {
        m_params.state = kTimingLock;
        return;
    }
    // Borderline: a real timing lock collapses when the symbol rate is
    // pulled 3 % off; noise does not care.
    ReadRegs(reg::SFRH, 3);
    const int h = GetFieldValue(fld::SYMB_FREQH);
    const int m = GetFieldValue(fld::SYMB_FREQM);
    const int l = GetFieldValue(fld::SYMB_FREQL);
    const std::int32_t rate = SymbolRateFromRegs(h, m, l);
    SetSymbolRate(rate - rate / 33);
    Wait(1);
    const int shifted = ReadReg(reg::TLIR) == -1 ? 255 : GetFieldValue(fld::TLIR);
    m_params.state = shifted < 40 ? kTimingLock : kNoTiming;
    SetFieldValue(fld::SYMB_FREQH, h);
    SetFieldValue(fld::SYMB_FREQM, m);
    SetFieldValue(fld::SYMB_FREQL, l);
    WriteRegs(reg::SFRH, 3);
}

void CDemod::CheckCarrier() {
    Wait(1);
    for (int i = 0; i < 4; ++i) {
        Wait(1);
        if (ReadLockField(fld::CF) == 1) break;
    }
    m_params.state = ReadLockField(fld::CF) != 0 ? kCarrierLock : kNoCarrier;
}

void CDemod::CheckData() {
    Wait(1);
    int lk = 0;
    for (int i = 0; i < 10; ++i) {
        Sleep(1);
        lk = ReadLockField(fld::LK);
        if (lk == 1) break;
    }
    m_params.state = lk != 0 ? kDataLock : kNoData;
}

void CDemod::SwapIq() { WriteField(fld::IQ, ~ReadField(fld::IQ) & 1); }

void CDemod::ZigZag(void (CDemod::*test)(), int failState, int successState, std::int16_t start,
                    std::int32_t step, int edges) {
    const auto limit = To16(static_cast<std::int32_t>(
        (m_params.subRange / 2) / static_cast<std::uint32_t>(m_params.derotatorUnit)));
    // A zero step would never reach the limit; the smallest step still does.
    step = std::max(step, std::int32_t{1});
    m_params.direction = -1;
    int count = 0;
    std::int16_t previous = start;
    std::int16_t value = start;
    for (;;) {
        (this->*test)();
        if (m_params.state == failState) {
            previous = value;
            ++count;
            value = To16(value + m_params.direction * count * step);
            if (std::abs(value) > limit) --edges;
            if (edges != 0) WriteDerotator(value);
        } else {
            m_result.symbolRateFound = m_params.symbolRate;
        }
        m_params.direction = To16(-m_params.direction);
        if (m_params.state == successState) {
            ReadRegs(reg::CFRM, 2);
            m_params.derotator = To16(Cached(reg::CFRM) * 256 + Cached(reg::CFRL));
            return;
        }
        if (edges == 0 || Stopping()) {
            m_params.derotator = previous;
            return;
        }
    }
}

int CDemod::TimingSearch() {
    const std::int32_t step = (m_params.symbolRate / 2) / m_params.derotatorUnit;
    ZigZag(&CDemod::CheckTiming, kNoTiming, kTimingLock, 0, step, 2);
    return m_params.state;
}

int CDemod::CarrierSearch() {
    ZigZag(&CDemod::CheckCarrier, kNoCarrier, kCarrierLock, m_params.derotator,
           m_params.derotatorStep, 4);
    return m_params.state;
}

int CDemod::DataSearch() {
    const std::int32_t unit = m_params.derotatorUnit;
    const std::int32_t rate = m_params.symbolRate;
    m_params.state = kNoCarrier;
    int count = 1;
    int tries = 0;
    int edges = 2;
    std::int16_t d = 0;
    std::int32_t s = rate > 8000000   ? 1333333 / unit
                     : rate > 5000000 ? (rate / 8) / unit
                                      : (rate / 16) / unit;
    const auto limit =
        To16(static_cast<std::int32_t>((m_params.subRange / 2) / static_cast<std::uint32_t>(unit)));
    for (;;) {
        ++tries;
        d = To16(d + 2 * m_params.direction * count * s);
        const std::int32_t g = m_params.tunerFrequency + (d * unit) / 1000;
        if (std::abs(d) > limit) --edges;
        if (edges != 0) {
            const std::int32_t h = SetTunerFrequency(g);
            // The tuner lands on its 125 kHz grid; the derotator takes up
            // the rest, converted from kHz to derotator units.
            WriteDerotator(static_cast<std::int32_t>(std::int64_t{g - h} * 1000 / unit));
            CheckData();
            if (m_params.state == kNoData) {
                SwapIq();
                CheckData();
                if (m_params.state == kNoData) SwapIq();
            }
        }
        m_params.direction = To16(-m_params.direction);
        ++count;
        if (m_params.state == kDataLock) {
            ReadRegs(reg::CFRM, 2);
            m_params.tunerFrequency = g;
            m_params.derotator = To16(Cached(reg::CFRM) * 256 + Cached(reg::CFRL));
            return kDataLock;
        }
        if (edges == 0 || Stopping()) return m_params.state;
        if (tries > 4) break;
    }
    m_params.state = kDataSearchGaveUp;
    return kDataSearchGaveUp;
}

int CDemod::CheckDataWithRetry() {
    CheckData();
    if (m_params.state == kNoData) {
        SwapIq();
        CheckData();
        if (m_params.state == kNoData) {
            SwapIq();
            DataSearch();
        }
    }
    return m_params.state;
}

int CDemod::CheckRange() {
    const std::int32_t f =
        m_params.tunerFrequency + (m_params.derotator * m_params.derotatorUnit) / 1000;
    const auto w = static_cast<std::int32_t>(m_params.searchRange / 2000);
    if (f < m_params.initialFrequency - w || f > m_params.initialFrequency + w) {
        m_params.state = kLockedOutOfRange;
    } else {
        m_params.state = kLockedInRange;
        m_result.frequencyFound = f;
    }
    return m_params.state;
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
        std::uint32_t n = m_params.searchRange / 2 - m_params.subRange / 2 - offset;
        n = std::min(n, m_params.subRange);
        m_params.subRangeOffset = static_cast<std::int32_t>(offset + (n + m_params.subRange) / 2);
        m_params.subRange = n;
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
    int last = 0;
    do {
        WriteDerotator(0);
        m_params.derotator = 0;
        m_params.state = kSubRangeStarted;
        m_params.tunerFrequency = SetTunerFrequency(m_params.tunerFrequency);
        Wait(1);
        if (m_params.symbolRate <= m_params.tunerSpan / 2) {
            TimingSearch();
        } else {
            CheckTiming();
        }
        if (m_params.state == kTimingLock && CarrierSearch() == kCarrierLock) {
            last = CheckDataWithRetry();
            if (last == kDataLock && CheckRange() == kLockedInRange) {
                m_result.punctureRate = ReadField(fld::CPR);
            }
        }
        NextSubRange();
    } while (m_params.subRange != 0 && m_params.state != kLockedInRange &&
             last != kDataSearchGaveUp && !Stopping());
    m_result.state = m_params.state;
    if (m_params.state != kLockedInRange) m_result.frequencyFound = m_params.initialFrequency;
    return m_params.state;
}

int CDemod::GetQuality() {
    const int m = ReadField(fld::NOISEINDICATORMSB);
    Wait(1);
    const int l = ReadField(fld::NOISEINDICATORLSB);
    if (m <= 13) return 99;
    if (m > 55) return 0;
    if (m >= 54) return l / 100;
    const int q = static_cast<std::uint8_t>(kQualityTable[m - 13] + l / 80);
    return std::min(q, 99);
}

int CDemod::GetSignalInfo(int& level, int& quality) {
    const bool agcRead = ReadReg(reg::AGC1I) != -1;
    const int a = GetFieldValue(fld::AGCINTEGRATORVALUE);
    Wait(1);
    const bool noiseRead = ReadRegs(reg::NIRH, 2) != -1;
    const int n = Cached(reg::NIRH) * 256 + Cached(reg::NIRL);
    if (!agcRead || !noiseRead) {
        // An unanswering chip reads all ones, which would decode as a
        // middling level; there is no signal to report.
        level = 0;
        quality = 0;
        return 0;
    }
    if (a < -101) {
        level = 0;
    } else {
        std::uint32_t t = (static_cast<std::uint32_t>(15000 - n) / 100) * 4;
        if (t > 50) t = 0;
        std::uint32_t v = static_cast<std::uint8_t>(std::abs(static_cast<int>(t / 10) + a + 100));
        if (v > 200) v = 198;
        level = static_cast<int>(v / 2);
    }
    quality = GetQuality();
    return quality;
}

int CDemod::TuneTransponder(std::int32_t symbolRateKs, std::int32_t frequency100kHz) {
    if (m_access == nullptr) return 0;
    m_access->SetLnbSelect(m_lnbSelect);
    if (m_toneOn != 0) {
        SetToneOn();
    } else {
        SetToneOff();
    }
    Sleep(100);
    Tune(symbolRateKs, frequency100kHz);
    Sleep(100);
    return Search() == kLockedInRange ? 1 : 0;
}

}  // namespace orbix
