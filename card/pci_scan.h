#pragma once

#include <cstdint>

#include "platform/port_io.h"

namespace orbix {

// The card's PCI identity: device 0x8139 of vendor 0x3568.
inline constexpr std::uint32_t kCardPciIdentity = 0x81393568;

std::uint32_t ReadPciConfig(IPortIo& ports, std::uint32_t address);

// Scans every bus, device and function; the I/O base of the last I/O-space
// base address register of the last function whose identity matches, or 0.
std::uint16_t FindCardIoBase(IPortIo& ports, std::uint32_t identity);

}  // namespace orbix
