#pragma once

#include <cstdint>

#include "platform/port_io.h"

namespace orbix {

// Bit-level primitives of the card's two-wire bus, driven through one port
// (I/O base + 0xFF). The port values are fixed by the hardware: every write
// is one of 0x00, 0x01, 0x08, 0x09, 0x0C, 0x0D. Callers hold the card's
// access lock for the whole of a transaction.
class CSerialBus {
  public:
    static constexpr std::uint16_t kBusPort = 0xFF;
    static constexpr std::uint8_t kDataIn = 0x02;

    explicit CSerialBus(IPortIo& ports) : m_ports(ports) {}

    void SetIoBase(std::uint16_t base) { m_base = base; }
    // Delay units between bus steps; the program never changes the default 0.
    void SetDelay(int units) { m_delay = units; }

    void Start();
    void Stop();
    void WriteByte(std::uint8_t value);
    // The acknowledge bit: 0 = acknowledged.
    std::uint8_t ReadAck();
    std::uint8_t ReadByte();
    void SendNack();
    void IdleClocks();
    // LSB first, no delays: the configuration stream.
    void WriteByteRaw(std::uint8_t value);
    // 2 x n dummy reads of I/O base + 0x00.
    void Delay(int n);
    // One step: write v to the bus port.
    void Put(std::uint8_t v) { m_ports.Out8(static_cast<std::uint16_t>(m_base + kBusPort), v); }

  private:
    void Step(std::uint8_t v) {
        Put(v);
        Delay(m_delay);
    }
    std::uint8_t DataLine() {
        return (m_ports.In8(static_cast<std::uint16_t>(m_base + kBusPort)) & kDataIn) ? 1 : 0;
    }

    IPortIo& m_ports;
    std::uint16_t m_base = 0;
    int m_delay = 0;
};

}  // namespace orbix
