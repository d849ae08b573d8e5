#include "sim/sim_demod.h"

#include <algorithm>
#include <cmath>

namespace orbix::sim {
namespace {

constexpr double kQuartzHz = 4000000.0;

enum Address : std::uint8_t {
    kId = 0x00,
    kRcr = 0x01,
    kMcr = 0x02,
    kI2cRpt = 0x05,
    kIoCfg = 0x0C,
    kAgc1I = 0x16,
    kTlir = 0x17,
    kVStatus = 0x1B,
    kSfrH = 0x1F,
    kSfrM = 0x20,
    kSfrL = 0x21,
    kCfrM = 0x22,
    kCfrL = 0x23,
    kNirH = 0x24,
    kNirL = 0x25,
    kPr = 0x31,
};

constexpr std::uint8_t kI2cT = 0x80;

bool IsLive(std::uint8_t address) {
    switch (address) {
        case kAgc1I:
        case kTlir:
        case kVStatus:
        case kCfrM:
        case kCfrL:
        case kNirH:
        case kNirL:
            return true;
        default:
            return false;
    }
}

// Registers the host cannot change.
bool IsReadOnly(std::uint8_t address) {
    return address == kId || address == kAgc1I || address == kTlir || address == kVStatus ||
           address == kNirH || address == kNirL;
}

int Clamp(double v, int low, int high) {
    return std::clamp(static_cast<int>(std::lround(v)), low, high);
}

}  // namespace

CSimDemod::CSimDemod() {
    // The chip's power-on state: clock straight from the quartz.
    m_regs[kId] = kIdentity;
    m_regs[kRcr] = 0x38;
    m_regs[kMcr] = 0x34;
    m_regs[kI2cRpt] = 0x0F;
    m_regs[kIoCfg] = 0xF0;
    m_regs[kPr] = 0x1F;
}

bool CSimDemod::Select(bool) {
    m_expectRegister = true;
    return !m_silent;
}

bool CSimDemod::WriteByte(std::uint8_t value) {
    if (m_expectRegister) {
        m_pointer = value & 0x7F;
        m_expectRegister = false;
        return true;
    }
    const std::uint8_t address = m_pointer;
    m_pointer = static_cast<std::uint8_t>((m_pointer + 1) & 0x7F);
    if (IsReadOnly(address)) return true;
    m_regs[address] = value;
    if (address == kI2cRpt && (value & kI2cT) != 0) m_repeaterPending = true;
    return true;
}

std::uint8_t CSimDemod::ReadByte(const Measure& measure) {
    const std::uint8_t address = m_pointer;
    m_pointer = static_cast<std::uint8_t>((m_pointer + 1) & 0x7F);
    ++m_reads;
    if (!IsLive(address)) return m_regs[address];
    const ChipStatus status = measure(Settings());
    if (status.carrier) Converge(status);
    return LiveRegister(address, status);
}

void CSimDemod::OnBusStart() {
    m_expectRegister = true;
    if (m_inTransaction) return;  // a repeated start continues the transaction
    m_inTransaction = true;
    if (m_repeaterArmed) {
        m_repeaterArmed = false;
        m_repeaterOpen = true;
    }
}

void CSimDemod::OnBusStop() {
    if (!m_inTransaction) return;
    m_inTransaction = false;
    if (m_repeaterOpen) {
        // The repeater passes one transaction, then the chip clears I2CT.
        m_repeaterOpen = false;
        m_regs[kI2cRpt] = static_cast<std::uint8_t>(m_regs[kI2cRpt] & ~kI2cT);
    }
    if (m_repeaterPending) {
        m_repeaterPending = false;
        m_repeaterArmed = true;
    }
}

ChipSettings CSimDemod::Settings() const {
    ChipSettings s;
    const std::uint8_t rcr = m_regs[kRcr];
    const std::uint8_t mcr = m_regs[kMcr];
    if ((mcr & 0x80) != 0) return s;  // standby: no clock, nothing runs
    if ((rcr & 0x20) != 0) {
        s.masterClockHz = kQuartzHz;
    } else {
        const int k = rcr >> 6;
        const int m = rcr & 0x1F;
        const int p = mcr & 0x07;
        s.masterClockHz = kQuartzHz / (k + 1) * (m + 1) * 4 / ((1 << (p / 2 + 1)) * ((p % 2) + 2));
    }
    s.running = s.masterClockHz > 0;
    const std::uint32_t n = (std::uint32_t{m_regs[kSfrH]} << 12) |
                            (std::uint32_t{m_regs[kSfrM]} << 4) | (m_regs[kSfrL] >> 4);
    s.symbolRate = n * s.masterClockHz / 1048576.0;
    const auto derotator = static_cast<std::int16_t>((m_regs[kCfrM] << 8) | m_regs[kCfrL]);
    s.derotatorHz = derotator * s.masterClockHz / 65536.0;
    s.iqNormal = (m_regs[kIoCfg] & 0x01) != 0;
    s.rateMask = m_regs[kPr] & 0x1F;
    return s;
}

void CSimDemod::Converge(const ChipStatus& status) {
    const ChipSettings s = Settings();
    const double unit = s.masterClockHz / 65536.0;
    const auto value = static_cast<std::int16_t>(
        std::clamp<long>(std::lround(status.convergedDerotatorHz / unit), -32768, 32767));
    const auto bits = static_cast<std::uint16_t>(value);
    m_regs[kCfrM] = static_cast<std::uint8_t>(bits >> 8);
    m_regs[kCfrL] = static_cast<std::uint8_t>(bits & 0xFF);
}

std::uint8_t CSimDemod::LiveRegister(std::uint8_t address, const ChipStatus& status) {
    switch (address) {
        case kAgc1I:
            // The AGC integrator runs from about -100 (nothing) up with the
            // input power, 4 steps per dB.
            return static_cast<std::uint8_t>(
                static_cast<std::int8_t>(Clamp((status.powerDbm + 70) * 4 - 100, -128, 127)));
        case kTlir:
            // Timing lock indicator: high and steady when locked (higher
            // with a cleaner signal), low noise otherwise.
            if (status.timing)
                return static_cast<std::uint8_t>(Clamp(30 + 4 * status.cnDb, 41, 120));
            return static_cast<std::uint8_t>(20 + m_reads % 13);
        case kVStatus: {
            std::uint8_t v = status.carrier ? 0x80 : 0x00;
            if (status.data) v = static_cast<std::uint8_t>(v | 0x18 | (status.punctureRate & 7));
            return v;
        }
        case kNirH:
            // The noise indicator falls as the carrier-to-noise ratio rises.
            if (!status.carrier) return 60;
            return static_cast<std::uint8_t>(13 + Clamp((15 - status.cnDb) * 2.5, 0, 40));
        case kNirL:
            return static_cast<std::uint8_t>(20 + m_reads % 40);
        default:
            return m_regs[address];
    }
}

}  // namespace orbix::sim
