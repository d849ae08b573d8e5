#include "card/serial_bus.h"

namespace orbix {
namespace {

// Port values: bit 0 clock, bit 2 data driven by the host, bit 3 drive
// enable. Released data lets the devices pull the line.
constexpr std::uint8_t kReleasedLow = 0x00;
constexpr std::uint8_t kReleasedHigh = 0x01;
constexpr std::uint8_t kDataLowClockLow = 0x08;
constexpr std::uint8_t kDataLowClockHigh = 0x09;
constexpr std::uint8_t kDataHighClockLow = 0x0C;
constexpr std::uint8_t kDataHighClockHigh = 0x0D;
constexpr std::uint8_t kClock = 0x01;

std::uint8_t DataLevel(bool bit) { return bit ? kDataHighClockLow : kDataLowClockLow; }

}  // namespace

void CSerialBus::Delay(int n) {
    for (int i = 0; i < 2 * n; ++i) m_ports.In8(m_base);
}

void CSerialBus::Start() {
    Step(kDataHighClockLow);
    Step(kDataHighClockHigh);
    Step(kDataLowClockHigh);
    Step(kDataLowClockLow);
}

void CSerialBus::Stop() {
    Step(kDataLowClockLow);
    Step(kDataLowClockHigh);
    Step(kDataHighClockHigh);
    Step(kDataHighClockLow);
}

void CSerialBus::WriteByte(std::uint8_t value) {
    for (int bit = 7; bit >= 0; --bit) {
        const std::uint8_t v = DataLevel(((value >> bit) & 1) != 0);
        Step(v);
        Step(v | kClock);
        Step(v);
    }
}

std::uint8_t CSerialBus::ReadAck() {
    Step(kReleasedLow);
    Step(kReleasedHigh);
    const std::uint8_t ack = DataLine();
    Step(kReleasedLow);
    return ack;
}

std::uint8_t CSerialBus::ReadByte() {
    Put(kReleasedLow);
    std::uint8_t value = 0;
    for (int i = 0; i < 8; ++i) {
        Step(kReleasedLow);
        Step(kReleasedHigh);
        value = static_cast<std::uint8_t>((value << 1) | DataLine());
        Step(kReleasedLow);
    }
    return value;
}

void CSerialBus::SendNack() {
    Step(kDataHighClockLow);
    Step(kDataHighClockHigh);
    Step(kDataHighClockLow);
}

void CSerialBus::IdleClocks() {
    for (int i = 0; i < 16; ++i) {
        Delay(m_delay);
        Step(kReleasedLow);
        Step(kReleasedHigh);
        Put(kReleasedLow);
    }
}

void CSerialBus::WriteByteRaw(std::uint8_t value) {
    for (int bit = 0; bit < 8; ++bit) {
        const std::uint8_t v = DataLevel(((value >> bit) & 1) != 0);
        Put(v);
        Put(v | kClock);
        Put(v);
    }
}

}  // namespace orbix
