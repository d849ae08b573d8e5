#include "sim/eeprom_93c46.h"

namespace orbix::sim {

CEeprom93C46::CEeprom93C46(std::uint32_t seed, EepromFaults faults) : m_faults(faults) {
    // Factory contents: a deterministic pattern from the seed.
    std::uint32_t x = seed ? seed : 1;
    for (auto& w : m_words) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        w = static_cast<std::uint16_t>(x);
    }
}

void CEeprom93C46::Pins(bool chipSelect, bool clock, bool dataIn) {
    const bool rising = chipSelect && clock && !m_clock;
    if (m_cs && !chipSelect) {
        if (m_state == State::WriteReady && m_writeEnabled) {
            m_words[m_address] = static_cast<std::uint16_t>(m_shift);
            m_busy = kBusyReads;
            ++m_writes;
            m_lastAddress = m_address;
        }
        m_state = State::WaitStart;
    }
    if (!m_cs && chipSelect) {
        m_state = State::WaitStart;
        m_dataOut = true;
    }
    m_cs = chipSelect;
    m_clock = clock;
    if (rising) OnRisingClock(dataIn);
}

bool CEeprom93C46::DataOut() {
    if (m_busy > 0 && !m_faults.neverReady) --m_busy;
    if (m_faults.dataOutStuckHigh) return true;
    if (!m_cs) return true;
    if (m_state == State::WaitStart && m_busy > 0) return false;
    return m_dataOut;
}

void CEeprom93C46::OnRisingClock(bool dataIn) {
    switch (m_state) {
        case State::WaitStart:
            if (dataIn && m_busy == 0) {
                m_state = State::Instruction;
                m_bits = 0;
                m_shift = 0;
            }
            break;
        case State::Instruction:
            m_shift = (m_shift << 1) | (dataIn ? 1u : 0u);
            if (++m_bits == 8) Decode();
            break;
        case State::Reading:
            m_dataOut = ((m_shift >> (15 - m_bits)) & 1) != 0;
            if (++m_bits == 16) {
                // sequential read carries on with the next word
                m_address = (m_address + 1) & 0x3F;
                m_shift = m_words[m_address];
                m_bits = 0;
            }
            break;
        case State::WriteData:
            m_shift = (m_shift << 1) | (dataIn ? 1u : 0u);
            if (++m_bits == 16) m_state = State::WriteReady;
            break;
        case State::WriteReady:
        case State::Done:
            break;
    }
}

void CEeprom93C46::Decode() {
    const int opcode = static_cast<int>(m_shift >> 6) & 3;
    m_address = static_cast<int>(m_shift) & 0x3F;
    m_bits = 0;
    switch (opcode) {
        case 2:  // READ
            m_state = State::Reading;
            m_shift = m_words[m_address];
            m_dataOut = false;  // the dummy bit
            break;
        case 1:  // WRITE
            m_state = State::WriteData;
            m_shift = 0;
            break;
        case 0:  // EWEN (11xxxx), EWDS (00xxxx); erase-all and write-all are not modelled
            if ((m_address >> 4) == 3) m_writeEnabled = true;
            if ((m_address >> 4) == 0) m_writeEnabled = false;
            m_state = State::Done;
            break;
        default:  // ERASE: not used by the program
            m_state = State::Done;
            break;
    }
}

}  // namespace orbix::sim
