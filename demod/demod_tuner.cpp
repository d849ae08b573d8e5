#include <algorithm>

#include "card/card_access.h"
#include "demod/demod.h"

namespace orbix {
namespace {

// The largest divider the synthesizer's 17 bits hold.
constexpr std::int64_t kMaxDivider = 0x1FFFF;

// The tuner's low-pass bandwidth for a symbol rate, in kHz.
std::int32_t BandwidthFor(std::int32_t symbolRateKs) {
    struct Band {
        std::int32_t below;  // symbol rates below this (kS/s)
        std::int32_t kHz;
    };
    static constexpr Band kBands[] = {{1, 30000},     {12000, 10000}, {17000, 12500},
                                      {21000, 15000}, {26000, 17500}, {30000, 20000},
                                      {34000, 22500}, {38000, 25000}, {41000, 27500}};
    for (const Band& b : kBands) {
        if (symbolRateKs < b.below) return b.kHz;
    }
    return 30000;
}

}  // namespace

void CDemod::TunerInit() {
    m_tuner.bytes[2] = 0x86;
    m_tuner.bytes[3] = 0x80;
    m_tuner.searchSpan = 24000;
    m_tuner.offset = 0;
    m_tuner.step = 125000;
    m_tuner.sign = 1;
    m_tuner.currentDivider = GetTunerDivider();
    m_tuner.currentFrequency = GetTunerFrequency();
}

std::int32_t CDemod::GetTunerDivider() const {
    const auto& b = m_tuner.bytes;
    return (b[0] & 0x7F) * 256 + b[1] + (b[2] & 0x60) * 1024;
}

void CDemod::SetTunerDivider(std::int32_t n) {
    if (m_tuner.step <= 0) return;
    auto& b = m_tuner.bytes;
    m_tuner.currentDivider = n;
    b[1] = static_cast<std::uint8_t>(n & 0xFF);
    b[0] = static_cast<std::uint8_t>((n / 256) & 0x7F);
    b[2] = static_cast<std::uint8_t>((b[2] & 0x9F) | ((n >> 10) & 0xE0));
    m_tuner.currentFrequency = static_cast<std::int32_t>(
        (std::int64_t{n} * (m_tuner.step / 2) - std::int64_t{m_tuner.offset} * 500) / 500);
}

std::int32_t CDemod::GetTunerFrequency() {
    const std::int64_t n = GetTunerDivider();
    const std::int64_t f = (n * (m_tuner.step / 2) - std::int64_t{m_tuner.offset} * 500) / 500;
    m_tuner.currentFrequency = static_cast<std::int32_t>(f * m_tuner.sign);
    return m_tuner.currentFrequency;
}

std::int32_t CDemod::SetTunerFrequency(std::int32_t kHz) {
    if (kHz == -1) return -1;
    if (m_tuner.step <= 0 || m_tuner.sign == 0) {
        WriteTuner();
        return 0;
    }
    std::int64_t n = (std::int64_t{kHz} * 500 / m_tuner.sign + std::int64_t{m_tuner.offset} * 500) /
                     (m_tuner.step / 2);
    // A frequency the synthesizer cannot reach goes to the nearest end of
    // its range instead of wrapping into a random divider.
    n = std::clamp<std::int64_t>(n, 0, kMaxDivider);
    SetTunerDivider(static_cast<std::int32_t>(n));
    const std::int32_t reached = GetTunerFrequency();
    WriteTuner();
    return reached;
}

void CDemod::SetTunerBandwidth(std::int32_t frequency100kHz, std::int32_t symbolRateKs) {
    const std::int32_t b = BandwidthFor(symbolRateKs);
    const int c = (b >= 10000 && b <= 30000) ? (b - 10000) / 2500 + 2 : 0;
    auto& bytes = m_tuner.bytes;
    bytes[2] =
        static_cast<std::uint8_t>((bytes[2] & ~0x18) | ((c & 1) << 4) | (((c >> 1) & 1) << 3));
    bytes[3] = static_cast<std::uint8_t>((bytes[3] & ~0x0C) | (((c >> 2) & 1) << 3) |
                                         (((c >> 3) & 1) << 2));
    if (frequency100kHz < 14500) bytes[3] = static_cast<std::uint8_t>(bytes[3] | 0x02);
}

int CDemod::WriteTuner() {
    WriteField(fld::I2CT, 1);
    if (m_access == nullptr) return 1;
    return m_access->WriteTunerBytes(m_tuner.bytes);
}

void CDemod::SetToneOn() {
    if (m_access != nullptr) m_access->SetToneEnable(true);
    Sleep(100);
    WriteField(fld::DISEQCMODE, 3);
}

void CDemod::SetToneOff() {
    if (m_access != nullptr) m_access->SetToneEnable(false);
    Sleep(100);
    WriteField(fld::DISEQCMODE, 2);
}

}  // namespace orbix
