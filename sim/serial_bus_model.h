#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/bus_device.h"

namespace orbix::sim {

class CCardLogicModel;

// The card's two-wire bus as the host sees it through its one port. Decodes
// clock and data edges into start, stop, bits and acknowledge slots and
// drives the attached devices. The data line is open-drain: it reads low when
// the host drives it low or a device pulls it low, high otherwise.
//
// The card logic listens for its configuration header (0xED sent LSB first,
// which reads as 0xB7 in the MSB-first address slot): the bits that follow,
// up to the stop, are taken LSB first as the configuration image. Clock
// pulses with the data line released there are idle clocks, not data.
class CSerialBusModel {
  public:
    static constexpr std::uint8_t kConfigurationHeader = 0xB7;

    struct Counters {
        std::uint64_t starts = 0;
        std::uint64_t stops = 0;
        std::uint64_t bytes = 0;
        std::uint64_t violations = 0;  // protocol violations seen
    };

    void Attach(std::uint8_t address, IBusDevice* device);
    void SetLogic(CCardLogicModel* logic) { m_logic = logic; }

    void Write(std::uint8_t port);
    std::uint8_t Read() const { return Level() ? 0x02 : 0x00; }

    const Counters& Count() const { return m_count; }
    void ResetCounters() { m_count = {}; }

  private:
    enum class Phase {
        Idle,       // no transaction
        Receive,    // host sends a byte (address or data), MSB first
        Ack,        // acknowledge slot after a byte the host sent
        Transmit,   // device sends a byte
        MasterAck,  // host's acknowledge after a byte the device sent
        Ignore,     // unanswered: wait for stop or start
        Configure,  // raw configuration stream
    };

    bool Level() const { return m_hostSda && m_deviceSda; }
    void OnStart();
    void OnStop();
    void OnRise(bool bit, bool driven);
    void OnFall();
    void ClockPulse(bool bit, bool driven);
    void ByteReceived();
    void AfterAck();
    void BeginTransmit();
    void ConfigurationPulse(bool bit, bool driven);
    bool MidByte() const;
    void EndConfiguration();
    void EndTransfer(Phase next);

    std::array<IBusDevice*, 128> m_devices{};
    std::vector<IBusDevice*> m_attached;
    CCardLogicModel* m_logic = nullptr;
    IBusDevice* m_selected = nullptr;
    Counters m_count;

    bool m_scl = false;
    bool m_hostSda = true;
    bool m_deviceSda = true;
    bool m_hasPending = false;
    bool m_pendingBit = false;
    bool m_pendingDriven = false;
    Phase m_phase = Phase::Idle;
    bool m_addressByte = false;
    bool m_read = false;
    bool m_acked = false;
    int m_bits = 0;
    std::uint8_t m_shift = 0;
    // configuration stream
    std::uint8_t m_rawByte = 0;
    int m_rawBits = 0;
    int m_idleClocks = 0;
    int m_stray = 0;
};

}  // namespace orbix::sim
