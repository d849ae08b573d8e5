#include "card/pci_scan.h"

namespace orbix {
namespace {

constexpr std::uint32_t kEnable = 0x80000000u;
constexpr std::uint32_t kFirstBar = 0x10;
constexpr std::uint32_t kLastBar = 0x24;

std::uint32_t FunctionAddress(std::uint32_t bus, std::uint32_t device, std::uint32_t function) {
    return kEnable | bus << 16 | device << 11 | function << 8;
}

}  // namespace

std::uint32_t ReadPciConfig(IPortIo& ports, std::uint32_t address) {
    ports.Out32(kPciConfigAddressPort, address);
    return ports.In32(kPciConfigDataPort);
}

// Every function of every device is read, with no test of the multi-function
// bit and no early exit, so the last match wins.
std::uint16_t FindCardIoBase(IPortIo& ports, std::uint32_t identity) {
    bool found = false;
    std::uint32_t base = 0;
    for (std::uint32_t bus = 0; bus < 256; ++bus) {
        for (std::uint32_t device = 0; device < 32; ++device) {
            for (std::uint32_t function = 0; function < 8; ++function) {
                const std::uint32_t address = FunctionAddress(bus, device, function);
                const std::uint32_t id = ReadPciConfig(ports, address);
                ReadPciConfig(ports, address | 0x0E);
                if (id != identity) continue;
                for (std::uint32_t bar = kFirstBar; bar <= kLastBar; bar += 4) {
                    const std::uint32_t value = ReadPciConfig(ports, address | bar);
                    if (value & 1) {
                        found = true;
                        base = value & 0xFFFE;
                    }
                }
            }
        }
    }
    return found ? static_cast<std::uint16_t>(base) : 0;
}

}  // namespace orbix
