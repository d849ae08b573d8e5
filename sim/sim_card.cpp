#include "sim/sim_card.h"

#include "sim/placeholder_devices.h"

namespace orbix::sim {
namespace {

constexpr std::uint16_t kDelayPort = 0x00;
constexpr std::uint16_t kControlPort = 0x50;
constexpr std::uint16_t kStatusPort = 0x51;
constexpr std::uint16_t kBusPort = 0xFF;

}  // namespace

CSimCard::CSimCard(const SimCardConfig& config)
    : m_config(config),
      m_pci(config.pciFunctions),
      m_eeprom(config.seed, config.eeprom),
      m_status(config.statusFault),
      m_logic(std::make_shared<CCardLogicModel>()) {
    m_ioBase = m_pci.CardIoBase();
    m_bus.SetLogic(m_logic.get());
    AttachBusDevice(0xC4, m_logic);
    AttachBusDevice(0xD0, std::make_shared<CPlaceholderDemod>());
    AttachBusDevice(0xC0, std::make_shared<CPlaceholderTuner>());
}

CSimCard::~CSimCard() = default;

void CSimCard::AttachBusDevice(std::uint8_t address, std::shared_ptr<IBusDevice> device) {
    m_bus.Attach(address, device.get());
    m_devices[address] = std::move(device);
}

IBusDevice* CSimCard::BusDevice(std::uint8_t address) const {
    auto it = m_devices.find(address);
    return it == m_devices.end() ? nullptr : it->second.get();
}

void CSimCard::ScheduleFaults(const CardFaultSchedule& faults, IClock& clock) {
    m_faults = faults;
    m_faultClock = &clock;
    m_faultStartMs = clock.NowMs();
}

bool CSimCard::Due(const std::optional<std::int64_t>& atMs) const {
    return atMs && m_faultClock != nullptr && m_faultClock->NowMs() >= m_faultStartMs + *atMs;
}

// Each scheduled fault strikes once, so that the repair can be watched.
void CSimCard::ApplyLogicFault() {
    if (!Due(m_faults.logicLostAtMs)) return;
    m_faults.logicLostAtMs.reset();
    m_logic->LoseConfiguration();
}

void CSimCard::ApplyStatusFault() {
    if (!Due(m_faults.statusFaultAtMs)) return;
    m_faults.statusFaultAtMs.reset();
    m_status.SetFault(m_faults.statusFault);
}

bool CSimCard::Enable(std::uint16_t, std::uint16_t) { return !m_config.denyPortIo; }

bool CSimCard::InWindow(std::uint16_t port) const {
    return m_ioBase != 0 && port >= m_ioBase && port - m_ioBase < kCardWindowSize;
}

std::uint8_t CSimCard::In8(std::uint16_t port) {
    if (!InWindow(port)) {
        ++m_stray;
        return 0xFF;
    }
    switch (port - m_ioBase) {
        case kDelayPort:
            return 0x00;
        case kControlPort:
            return static_cast<std::uint8_t>((m_controlPort & 0xFE) | (m_eeprom.DataOut() ? 1 : 0));
        case kStatusPort:
            ApplyStatusFault();
            return m_status.Read();
        case kBusPort:
            ApplyLogicFault();
            return m_bus.Read();
        default:
            return 0xFF;
    }
}

void CSimCard::Out8(std::uint16_t port, std::uint8_t value) {
    if (!InWindow(port)) {
        ++m_stray;
        return;
    }
    switch (port - m_ioBase) {
        case kControlPort:
            ApplyStatusFault();
            WriteControlPort(value);
            break;
        case kBusPort:
            ApplyLogicFault();
            m_bus.Write(value);
            break;
        default:
            break;
    }
}

void CSimCard::WriteControlPort(std::uint8_t value) {
    const std::uint8_t oldMode = m_controlPort & 0xC0;
    m_controlPort = value;
    const std::uint64_t writes = m_eeprom.WritesCompleted();
    m_eeprom.Pins((value & 0x08) != 0, (value & 0x04) != 0, (value & 0x02) != 0);
    if (m_eeprom.WritesCompleted() != writes && m_eeprom.LastWrittenAddress() == 10) {
        m_status.Word10Written(m_eeprom.Word(10));
    }
    if ((value & 0xC0) != oldMode) m_status.ModeWritten(value & 0xC0);
}

std::uint32_t CSimCard::In32(std::uint16_t port) {
    if (port == kPciConfigDataPort) return m_pci.ReadData();
    ++m_stray;
    return 0xFFFFFFFFu;
}

void CSimCard::Out32(std::uint16_t port, std::uint32_t value) {
    if (port == kPciConfigAddressPort) {
        m_pci.WriteAddress(value);
        return;
    }
    ++m_stray;
}

}  // namespace orbix::sim
