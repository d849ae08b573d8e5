#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/clock.h"
#include "platform/port_io.h"
#include "sim/bus_device.h"
#include "sim/card_faults.h"
#include "sim/card_logic_model.h"
#include "sim/eeprom_93c46.h"
#include "sim/pci_config_space.h"
#include "sim/serial_bus_model.h"
#include "sim/status_port_model.h"

namespace orbix::sim {

// Everything that can be varied or broken on the simulated card. Every
// fault is off by default.
struct SimCardConfig {
    std::vector<PciFunction> pciFunctions = DefaultPciFunctions();
    bool denyPortIo = false;
    StatusFault statusFault = StatusFault::None;
    EepromFaults eeprom;
    std::uint32_t seed = 1;
};

// The receiver card at port level: PCI configuration mechanism 1, the card's
// I/O window with its EEPROM, status and serial-bus ports, and the devices on
// the bus. Deterministic: it has no clock of its own.
//
// Threads: the bus, the EEPROM and the status port are independent models.
// The driver keeps each of them to one thread at a time (the bus under its
// access lock), so port calls need no lock here; what other threads read
// (the logic's registers) is guarded inside the models.
class CSimCard final : public IPortIo {
  public:
    explicit CSimCard(const SimCardConfig& config = {});
    ~CSimCard() override;

    bool Enable(std::uint16_t first, std::uint16_t count) override;
    std::uint8_t In8(std::uint16_t port) override;
    void Out8(std::uint16_t port, std::uint8_t value) override;
    std::uint32_t In32(std::uint16_t port) override;
    void Out32(std::uint16_t port, std::uint32_t value) override;

    // The base of the card's I/O window, as a correct PCI scan finds it; 0
    // when the configuration has no card with an I/O window.
    std::uint16_t IoBase() const { return m_ioBase; }

    // Puts a device on the bus at its write address, replacing what was there.
    void AttachBusDevice(std::uint8_t address, std::shared_ptr<IBusDevice> device);
    IBusDevice* BusDevice(std::uint8_t address) const;

    CSerialBusModel& Bus() { return m_bus; }
    CCardLogicModel& Logic() { return *m_logic; }
    CEeprom93C46& Eeprom() { return m_eeprom; }
    CStatusPortModel& Status() { return m_status; }

    // Schedules card faults, timed on clock from now (the card's start).
    // Call before the card is used from other threads. The logic fault
    // strikes at a bus access, the status fault at a status or control port
    // access, each on the thread that owns that part of the card.
    void ScheduleFaults(const CardFaultSchedule& faults, IClock& clock);

    // Ports outside 0xCF8..0xCFF and the window that were touched; a correct
    // driver never does.
    std::uint64_t StrayAccesses() const { return m_stray; }
    std::uint64_t PciReads() const { return m_pci.Reads(); }

  private:
    bool InWindow(std::uint16_t port) const;
    void WriteControlPort(std::uint8_t value);
    bool Due(const std::optional<std::int64_t>& atMs) const;
    void ApplyLogicFault();
    void ApplyStatusFault();

    SimCardConfig m_config;
    std::uint16_t m_ioBase = 0;
    CPciConfigSpace m_pci;
    CEeprom93C46 m_eeprom;
    CStatusPortModel m_status;
    CSerialBusModel m_bus;
    std::shared_ptr<CCardLogicModel> m_logic;
    std::map<std::uint8_t, std::shared_ptr<IBusDevice>> m_devices;
    std::uint8_t m_controlPort = 0;
    std::uint64_t m_stray = 0;
    CardFaultSchedule m_faults;
    IClock* m_faultClock = nullptr;
    std::int64_t m_faultStartMs = 0;
};

}  // namespace orbix::sim
