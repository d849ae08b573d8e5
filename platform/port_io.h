#pragma once

#include <cstdint>
#include <memory>

#include "platform/capabilities.h"

namespace orbix {

// Direct access to I/O ports. Everything that reaches the card goes through
// this interface, so the same driver runs on the real card, on the simulated
// card and under a recorder in the tests.
class IPortIo {
  public:
    virtual ~IPortIo() = default;

    // Grants access to ports first .. first + count - 1. False when the
    // process lacks the privilege; nothing else may be called for those ports.
    virtual bool Enable(std::uint16_t first, std::uint16_t count) = 0;
    // No port is enabled after this. The hardware back end gives up the
    // privilege that enabling needed; the ports already enabled stay usable.
    virtual void EnablingDone() {}

    virtual std::uint8_t In8(std::uint16_t port) = 0;
    virtual void Out8(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint32_t In32(std::uint16_t port) = 0;
    virtual void Out32(std::uint16_t port, std::uint32_t value) = 0;
};

// The PCI configuration ports used by the card scan.
inline constexpr std::uint16_t kPciConfigAddressPort = 0xCF8;
inline constexpr std::uint16_t kPciConfigDataPort = 0xCFC;
inline constexpr std::uint16_t kPciConfigPortCount = 8;
// The card's own I/O window: base .. base + 0xFF.
inline constexpr std::uint16_t kCardWindowSize = 0x100;

// Port I/O of the real machine through ioperm; EnablingDone drops
// CAP_SYS_RAWIO through the capabilities given.
std::unique_ptr<IPortIo> MakeHardwarePortIo(
    std::unique_ptr<ICapabilities> capabilities = MakeProcessCapabilities());

}  // namespace orbix
