#include "sim/serial_bus_model.h"

#include "sim/card_logic_model.h"

namespace orbix::sim {

void CSerialBusModel::Attach(std::uint8_t address, IBusDevice* device) {
    IBusDevice*& slot = m_devices[address >> 1];
    std::erase(m_attached, slot);
    slot = device;
    if (device != nullptr) m_attached.push_back(device);
}

void CSerialBusModel::Write(std::uint8_t port) {
    const bool scl = (port & 0x01) != 0;
    const bool driven = (port & 0x08) != 0;
    const bool wasHigh = Level();
    const bool wasScl = m_scl;
    m_hostSda = driven ? (port & 0x04) != 0 : true;
    m_scl = scl;
    const bool high = Level();
    if (wasScl && scl) {
        if (wasHigh && !high) OnStart();
        if (!wasHigh && high) OnStop();
    } else if (!wasScl && scl) {
        OnRise(high, driven);
    } else if (wasScl && !scl) {
        OnFall();
    }
}

// A bit counts once its clock pulse completes: the rising edge samples it,
// the falling edge commits it. A start or stop between the two belongs to the
// condition, not to the data, and discards the sample.
void CSerialBusModel::OnRise(bool bit, bool driven) {
    m_pendingBit = bit;
    m_pendingDriven = driven;
    m_hasPending = true;
}

void CSerialBusModel::OnFall() {
    if (!m_hasPending) return;
    m_hasPending = false;
    ClockPulse(m_pendingBit, m_pendingDriven);
}

void CSerialBusModel::ClockPulse(bool bit, bool driven) {
    switch (m_phase) {
        case Phase::Receive:
            m_shift = static_cast<std::uint8_t>((m_shift << 1) | (bit ? 1 : 0));
            if (++m_bits == 8) ByteReceived();
            break;
        case Phase::Ack:
            m_deviceSda = true;
            AfterAck();
            break;
        case Phase::Transmit:
            if (++m_bits < 8) {
                m_deviceSda = ((m_shift >> (7 - m_bits)) & 1) != 0;
            } else {
                m_deviceSda = true;
                m_phase = Phase::MasterAck;
            }
            break;
        case Phase::MasterAck:
            if (bit) {
                m_phase = Phase::Ignore;
            } else {
                BeginTransmit();
            }
            break;
        case Phase::Configure:
            ConfigurationPulse(bit, driven);
            break;
        case Phase::Idle:
        case Phase::Ignore:
            break;
    }
}

void CSerialBusModel::ByteReceived() {
    ++m_count.bytes;
    if (!m_addressByte) {
        m_acked = m_selected != nullptr && m_selected->WriteByte(m_shift);
    } else if (m_shift == kConfigurationHeader && m_logic != nullptr) {
        m_phase = Phase::Configure;
        m_rawBits = -1;  // the header's own clock pulse comes first
        m_rawByte = 0;
        m_idleClocks = 0;
        m_stray = 0;
        m_logic->BeginConfiguration();
        return;
    } else {
        m_read = (m_shift & 1) != 0;
        m_selected = m_devices[m_shift >> 1];
        m_acked = m_selected != nullptr && m_selected->Select(m_read);
    }
    m_deviceSda = !m_acked;
    m_phase = Phase::Ack;
}

void CSerialBusModel::AfterAck() {
    const bool address = m_addressByte;
    m_addressByte = false;
    m_bits = 0;
    m_shift = 0;
    if (!m_acked) {
        m_phase = Phase::Ignore;
    } else if (address && m_read) {
        BeginTransmit();
    } else {
        m_phase = Phase::Receive;
    }
}

void CSerialBusModel::BeginTransmit() {
    m_shift = m_selected->ReadByte();
    m_bits = 0;
    m_deviceSda = (m_shift & 0x80) != 0;
    m_phase = Phase::Transmit;
}

void CSerialBusModel::ConfigurationPulse(bool bit, bool driven) {
    if (!driven) {
        ++m_idleClocks;
        return;
    }
    if (m_rawBits < 0) {
        if (bit) ++m_stray;  // the header's pulse is clocked with the data line low
        m_rawBits = 0;
        return;
    }
    if (m_idleClocks > 0) ++m_stray;  // image data after the closing idle clocks
    if (bit) m_rawByte = static_cast<std::uint8_t>(m_rawByte | (1u << m_rawBits));
    if (++m_rawBits == 8) {
        m_logic->ConfigurationByte(m_rawByte);
        m_rawByte = 0;
        m_rawBits = 0;
    }
}

bool CSerialBusModel::MidByte() const {
    switch (m_phase) {
        case Phase::Receive:
        case Phase::Transmit:
            return m_bits > 0;
        case Phase::Ack:
        case Phase::MasterAck:
            return true;
        case Phase::Configure:
            return m_rawBits > 0;
        case Phase::Idle:
        case Phase::Ignore:
            return false;
    }
    return false;
}

void CSerialBusModel::EndConfiguration() {
    if (m_phase != Phase::Configure) return;
    m_logic->EndConfiguration(m_stray + (m_rawBits > 0 ? 1 : 0), m_idleClocks);
}

// Whatever was under way ends at a start or stop condition.
void CSerialBusModel::EndTransfer(Phase next) {
    if (MidByte()) ++m_count.violations;
    EndConfiguration();
    m_hasPending = false;
    m_deviceSda = true;
    m_selected = nullptr;
    m_phase = next;
}

void CSerialBusModel::OnStart() {
    ++m_count.starts;
    EndTransfer(Phase::Receive);
    m_addressByte = true;
    m_bits = 0;
    m_shift = 0;
    for (IBusDevice* d : m_attached) d->OnBusStart();
}

void CSerialBusModel::OnStop() {
    ++m_count.stops;
    EndTransfer(Phase::Idle);
    for (IBusDevice* d : m_attached) d->OnBusStop();
}

}  // namespace orbix::sim
