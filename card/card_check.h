#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/notices.h"
#include "platform/port_io.h"

namespace orbix {

// Checks the card's 93C46 EEPROM (through its own control port, I/O base +
// 0x50) and the card's status port (I/O base + 0x51), and repairs the card
// when the status shows a fault.
class CCardCheck {
  public:
    static constexpr std::uint16_t kControlPort = 0x50;
    static constexpr std::uint16_t kStatusPort = 0x51;
    // Ready polls allowed after a word write; a real chip needs a few
    // milliseconds, this allows several times that.
    static constexpr int kReadyPollLimit = 2000;

    CCardCheck(IPortIo& ports, IClock& clock, INotices& notices);
    virtual ~CCardCheck() = default;

    void SetIoBase(std::uint16_t base) { m_ioBase = base; }

    std::uint16_t ReadEepromWord(std::uint8_t address);
    // False when the chip did not report ready within the poll limit.
    bool WriteEepromWord(std::uint8_t address, std::uint16_t word);
    std::uint8_t ReadEepromByte(std::uint8_t address);
    bool WriteEepromByte(std::uint8_t address, std::uint8_t value);
    bool TestEeprom();
    bool CheckStatus();
    bool EepromOk() const { return m_eepromOk; }

  private:
    void SetPin(std::uint8_t mask, bool on);
    void SetChipSelect(bool on) { SetPin(0x08, on); }
    void SetClock(bool on) { SetPin(0x04, on); }
    void SetDataIn(bool on) { SetPin(0x02, on); }
    void SetEepromMode(std::uint8_t mode);
    void ClockBit(bool bit);
    void ClockBits(std::uint32_t bits, int count);
    void ClockInstruction(std::uint8_t code);
    bool DataOut();
    void BeginInstruction();
    void EndInstruction();
    std::uint8_t ReadStatus();
    std::uint16_t Port(std::uint16_t offset) const {
        return static_cast<std::uint16_t>(m_ioBase + offset);
    }

    IPortIo& m_ports;
    IClock& m_clock;
    INotices& m_notices;
    std::uint16_t m_ioBase = 0;
    std::uint8_t m_shadow = 0;
    bool m_eepromOk = false;
};

}  // namespace orbix
