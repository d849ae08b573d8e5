#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace orbix::sim {

// What the demodulator's registers ask of the signal path right now.
struct ChipSettings {
    bool running = false;  // master clock on (not in standby)
    double masterClockHz = 0;
    double symbolRate = 0;      // S/s, from the symbol-rate registers
    double derotatorHz = 0;     // from the derotator registers
    bool iqNormal = true;       // IQ field 1 = straight, 0 = swapped
    std::uint8_t rateMask = 0;  // puncture rates enabled, bit 0 = 1/2
};

// What the chip's loops make of the signal it receives.
struct ChipStatus {
    bool timing = false;
    bool carrier = false;
    bool data = false;
    int punctureRate = 0;
    double powerDbm = -70;  // total power in the tuner's passband
    double cnDb = 0;
    double convergedDerotatorHz = 0;  // where the carrier loop settles
};

// The demodulator chip (bus address 0xD0) at register level: a register
// file with auto-incrementing pointer, the status registers computed live
// from a measurement of the signal, and the repeater that opens the bus to
// the tuner for exactly one transaction after I2CT is set. Not thread-safe:
// the front end guards it.
class CSimDemod {
  public:
    using Measure = std::function<ChipStatus(const ChipSettings&)>;

    static constexpr std::uint8_t kIdentity = 0xA1;

    CSimDemod();

    bool Select(bool read);
    bool WriteByte(std::uint8_t value);
    std::uint8_t ReadByte(const Measure& measure);
    void OnBusStart();
    void OnBusStop();

    bool RepeaterOpen() const { return m_repeaterOpen; }
    ChipSettings Settings() const;
    std::uint8_t Register(std::uint8_t address) const { return m_regs[address & 0x7F]; }

    // Fault injection: the chip stops answering on the bus.
    void SetSilent(bool silent) { m_silent = silent; }
    bool Silent() const { return m_silent; }

  private:
    std::uint8_t LiveRegister(std::uint8_t address, const ChipStatus& status);
    void Converge(const ChipStatus& status);

    std::array<std::uint8_t, 0x80> m_regs{};
    std::uint8_t m_pointer = 0;
    bool m_expectRegister = true;
    bool m_silent = false;
    bool m_inTransaction = false;
    bool m_repeaterPending = false;
    bool m_repeaterArmed = false;
    bool m_repeaterOpen = false;
    std::uint32_t m_reads = 0;
};

}  // namespace orbix::sim
