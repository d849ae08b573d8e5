#pragma once

#include <array>
#include <cstdint>

namespace orbix::sim {

struct EepromFaults {
    bool dataOutStuckHigh = false;  // data-out reads 1 whatever the chip does
    bool neverReady = false;        // a write never finishes
};

// A 93C46 serial EEPROM in 16-bit organisation (64 words), driven pin by pin
// through the card's control port: chip select, serial clock, data in, data
// out. Instructions are a start bit, a 2-bit opcode and a 6-bit address,
// clocked in on rising clock edges while selected. READ shifts out a dummy 0
// and then the word MSB first; WRITE takes 16 data bits and programs them
// when chip select falls, if writes were enabled by EWEN. While programming,
// data-out reads 0 (busy) once the chip is selected again.
class CEeprom93C46 {
  public:
    // Control port reads a write takes to program.
    static constexpr int kBusyReads = 60;

    explicit CEeprom93C46(std::uint32_t seed = 1, EepromFaults faults = {});

    void Pins(bool chipSelect, bool clock, bool dataIn);
    // Data-out; every read while programming counts towards the end of it.
    bool DataOut();

    std::uint16_t Word(int address) const { return m_words[address & 0x3F]; }
    void SetWord(int address, std::uint16_t word) { m_words[address & 0x3F] = word; }
    bool WriteEnabled() const { return m_writeEnabled; }
    bool Busy() const { return m_busy > 0; }
    // Called when a word write finished: address and word.
    std::uint64_t WritesCompleted() const { return m_writes; }
    int LastWrittenAddress() const { return m_lastAddress; }

  private:
    enum class State { WaitStart, Instruction, Reading, WriteData, WriteReady, Done };

    void OnRisingClock(bool dataIn);
    void Decode();

    std::array<std::uint16_t, 64> m_words{};
    EepromFaults m_faults;
    State m_state = State::WaitStart;
    bool m_cs = false;
    bool m_clock = false;
    bool m_dataOut = true;
    bool m_writeEnabled = false;
    int m_bits = 0;
    std::uint32_t m_shift = 0;
    int m_address = 0;
    int m_busy = 0;
    std::uint64_t m_writes = 0;
    int m_lastAddress = -1;
};

}  // namespace orbix::sim
