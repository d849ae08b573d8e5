#pragma once

#include <cstdint>

namespace orbix::sim {

// A device on the card's simulated two-wire bus. The bus model decodes the
// host's clock and data edges and calls these hooks; devices never see port
// values.
class IBusDevice {
  public:
    virtual ~IBusDevice() = default;

    // The address byte of a transaction named this device (read or write
    // direction). True acknowledges; false leaves the transaction unanswered.
    virtual bool Select(bool read) = 0;
    // A byte written to the selected device. True acknowledges.
    virtual bool WriteByte(std::uint8_t value) = 0;
    // The next byte the selected device sends.
    virtual std::uint8_t ReadByte() = 0;

    // Seen by every attached device, selected or not, at every start
    // (repeated starts included) and stop condition on the bus.
    virtual void OnBusStart() {}
    virtual void OnBusStop() {}
};

}  // namespace orbix::sim
