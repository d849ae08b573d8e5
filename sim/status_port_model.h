#pragma once

#include <cstdint>

namespace orbix::sim {

enum class StatusFault {
    None,
    Transient,   // cleared by the repair sequence
    Persistent,  // survives the repair
};

// The card's status port (I/O base + 0x51): bits 2..0 report a fault. The
// repair is to write 0x10 into EEPROM byte 0x14 (the low byte of word 10) and
// then to switch the control port's mode bits to 01.
class CStatusPortModel {
  public:
    static constexpr std::uint8_t kFaultBits = 0x05;

    explicit CStatusPortModel(StatusFault fault = StatusFault::None) : m_fault(fault) {}

    std::uint8_t Read() const { return m_fault == StatusFault::None ? 0x00 : kFaultBits; }
    void SetFault(StatusFault fault) {
        m_fault = fault;
        m_armed = false;
    }
    // EEPROM word 10 was programmed with this value.
    void Word10Written(std::uint16_t word) { m_armed = (word & 0xFF) == 0x10; }
    // The control port's mode bits were written.
    void ModeWritten(std::uint8_t mode) {
        if (mode == 0x40 && m_armed && m_fault == StatusFault::Transient)
            m_fault = StatusFault::None;
        if (mode == 0x40) m_armed = false;
    }
    StatusFault Fault() const { return m_fault; }

  private:
    StatusFault m_fault;
    bool m_armed = false;
};

}  // namespace orbix::sim
