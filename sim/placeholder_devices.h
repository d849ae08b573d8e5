#pragma once

#include <array>
#include <cstdint>

#include "sim/bus_device.h"

namespace orbix::sim {

// Stand-ins for the demodulator (0xD0) and the tuner synthesizer (0xC0)
// until the front end is modelled: a plain register file whose register
// 0x00 reads the chip identity, and a write-only device taking four bytes.
class CPlaceholderDemod final : public IBusDevice {
  public:
    CPlaceholderDemod() { m_registers[0] = 0xA1; }
    bool Select(bool) override {
        m_expectRegister = true;
        return true;
    }
    bool WriteByte(std::uint8_t value) override {
        if (m_expectRegister) {
            m_pointer = value;
            m_expectRegister = false;
        } else {
            m_registers[m_pointer++ & 0x7F] = value;
        }
        return true;
    }
    std::uint8_t ReadByte() override { return m_registers[m_pointer++ & 0x7F]; }

  private:
    std::array<std::uint8_t, 0x80> m_registers{};
    std::uint8_t m_pointer = 0;
    bool m_expectRegister = true;
};

class CPlaceholderTuner final : public IBusDevice {
  public:
    bool Select(bool read) override { return !read; }
    bool WriteByte(std::uint8_t) override { return true; }
    std::uint8_t ReadByte() override { return 0xFF; }
};

}  // namespace orbix::sim
