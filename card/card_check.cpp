#include "card/card_check.h"

#include "card/card_texts.h"

namespace orbix {
namespace {

constexpr std::uint8_t kModeAccess = 0x80;
constexpr std::uint8_t kModeIdle = 0x00;
constexpr std::uint8_t kModeRecover = 0x40;
constexpr std::uint8_t kEwen = 0x98;
constexpr std::uint8_t kEwds = 0x80;
constexpr std::uint8_t kRead = 0x80;
constexpr std::uint8_t kWrite = 0x40;
constexpr std::uint8_t kFaultMask = 0x07;
constexpr int kPinSettleReads = 10;
constexpr std::uint8_t kTestByte = 0x7F;
constexpr std::uint8_t kRepairByte = 0x14;
constexpr std::uint8_t kRepairValue = 0x10;
constexpr int kRepairPauseMs = 100;

}  // namespace

CCardCheck::CCardCheck(IPortIo& ports, IClock& clock, INotices& notices)
    : m_ports(ports), m_clock(clock), m_notices(notices) {}

void CCardCheck::SetPin(std::uint8_t mask, bool on) {
    m_shadow = static_cast<std::uint8_t>(on ? (m_shadow | mask) : (m_shadow & ~mask));
    m_ports.Out8(Port(kControlPort), m_shadow);
    for (int i = 0; i < kPinSettleReads; ++i) m_ports.In8(Port(kControlPort));
}

void CCardCheck::SetEepromMode(std::uint8_t mode) {
    m_shadow = static_cast<std::uint8_t>((m_shadow & 0x3F) | mode);
    m_ports.Out8(Port(kControlPort), m_shadow);
    for (int i = 0; i < kPinSettleReads + 1; ++i) m_ports.In8(Port(kControlPort));
}

bool CCardCheck::DataOut() { return (m_ports.In8(Port(kControlPort)) & 0x01) != 0; }

void CCardCheck::ClockBit(bool bit) {
    SetDataIn(bit);
    SetClock(true);
    SetClock(false);
}

void CCardCheck::ClockBits(std::uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) ClockBit(((bits >> i) & 1) != 0);
}

// The nine bits of code, MSB first: start bit, opcode and the address's top
// bits; the ninth bit is 0.
void CCardCheck::ClockInstruction(std::uint8_t code) {
    ClockBits(static_cast<std::uint32_t>(code) << 1, 9);
}

// Mode, EWEN, then the start bit of the next instruction.
void CCardCheck::BeginInstruction() {
    SetEepromMode(kModeAccess);
    SetChipSelect(false);
    SetClock(false);
    SetChipSelect(true);
    ClockInstruction(kEwen);
    SetChipSelect(false);
    SetClock(false);
    SetDataIn(true);
    SetChipSelect(false);
    SetChipSelect(true);
    SetClock(true);
    SetClock(false);
}

// EWDS and back to the idle mode.
void CCardCheck::EndInstruction() {
    SetChipSelect(false);
    SetChipSelect(false);
    SetClock(false);
    SetChipSelect(true);
    ClockInstruction(kEwds);
    SetChipSelect(false);
    SetEepromMode(kModeIdle);
}

std::uint16_t CCardCheck::ReadEepromWord(std::uint8_t address) {
    BeginInstruction();
    ClockBits(kRead | (address & 0x3F), 8);
    std::uint16_t word = 0;
    for (int i = 0; i < 16; ++i) {
        SetClock(true);
        const bool bit = DataOut();
        SetClock(false);
        word = static_cast<std::uint16_t>((word << 1) | (bit ? 1 : 0));
    }
    EndInstruction();
    return word;
}

bool CCardCheck::WriteEepromWord(std::uint8_t address, std::uint16_t word) {
    BeginInstruction();
    ClockBits(kWrite | (address & 0x3F), 8);
    ClockBits(word, 16);
    SetChipSelect(false);
    SetChipSelect(true);
    SetClock(true);
    int polls = 0;
    while (!DataOut() && polls < kReadyPollLimit) {
        SetClock(false);
        SetClock(true);
        ++polls;
    }
    const bool ready = polls < kReadyPollLimit;
    SetClock(false);
    EndInstruction();
    return ready;
}

std::uint8_t CCardCheck::ReadEepromByte(std::uint8_t address) {
    const std::uint16_t word = ReadEepromWord(static_cast<std::uint8_t>(address / 2));
    return static_cast<std::uint8_t>((address & 1) ? word >> 8 : word & 0xFF);
}

bool CCardCheck::WriteEepromByte(std::uint8_t address, std::uint8_t value) {
    const auto wordAddress = static_cast<std::uint8_t>(address / 2);
    std::uint16_t word = ReadEepromWord(wordAddress);
    word = (address & 1) ? static_cast<std::uint16_t>((word & 0x00FF) | (value << 8))
                         : static_cast<std::uint16_t>((word & 0xFF00) | value);
    return WriteEepromWord(wordAddress, word);
}

bool CCardCheck::TestEeprom() {
    const std::uint8_t old = ReadEepromByte(kTestByte);
    for (std::uint8_t pattern : {std::uint8_t{0xBB}, std::uint8_t{0x55}}) {
        if (!WriteEepromByte(kTestByte, pattern)) return false;
        if (ReadEepromByte(kTestByte) != pattern) return false;
    }
    if (!WriteEepromByte(kTestByte, old)) return false;
    m_eepromOk = true;
    return true;
}

std::uint8_t CCardCheck::ReadStatus() { return m_ports.In8(Port(kStatusPort)) & kFaultMask; }

bool CCardCheck::CheckStatus() {
    if (!m_eepromOk) return false;
    if (ReadStatus() != 0) {
        m_notices.Tell(texts::SoftwareConflictRepaired());
        WriteEepromByte(kRepairByte, kRepairValue);
        m_clock.SleepMs(kRepairPauseMs);
        SetEepromMode(kModeRecover);
        m_clock.SleepMs(kRepairPauseMs);
    }
    return ReadStatus() == 0;
}

}  // namespace orbix
