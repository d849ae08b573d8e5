#include "sim/pci_config_space.h"

#include <algorithm>

namespace orbix::sim {

std::vector<PciFunction> DefaultPciFunctions() {
    return {
        {0, 0, 0, 0x12378086, {}},
        {0, 3, 0, 0x10EC8168, {0x0000E001, 0xF7000000, 0, 0, 0, 0}},
        {2, 5, 0, kCardIdentity, {0xF6000000, kDefaultIoBase | 1u, 0, 0, 0, 0}},
    };
}

CPciConfigSpace::CPciConfigSpace(std::vector<PciFunction> functions)
    : m_functions(std::move(functions)) {
    // keep bus/device/function order, the order a scan meets them in
    std::ranges::sort(m_functions, {}, [](const PciFunction& f) {
        return (f.bus << 16) | (f.device << 8) | f.function;
    });
}

std::uint32_t CPciConfigSpace::ReadData() const {
    ++m_reads;
    if ((m_address & 0x80000000u) == 0) return 0xFFFFFFFFu;
    const auto bus = static_cast<std::uint8_t>(m_address >> 16);
    const auto device = static_cast<std::uint8_t>((m_address >> 11) & 0x1F);
    const auto function = static_cast<std::uint8_t>((m_address >> 8) & 0x07);
    const std::uint32_t reg = m_address & 0xFC;
    for (const PciFunction& f : m_functions) {
        if (f.bus != bus || f.device != device || f.function != function) continue;
        if (reg == 0x00) return f.identity;
        if (reg >= 0x10 && reg <= 0x24) return f.bars[(reg - 0x10) / 4];
        return 0;
    }
    return 0xFFFFFFFFu;
}

std::uint16_t CPciConfigSpace::CardIoBase() const {
    std::uint16_t base = 0;
    for (const PciFunction& f : m_functions) {
        if (f.identity != kCardIdentity) continue;
        for (std::uint32_t bar : f.bars) {
            if (bar & 1) base = static_cast<std::uint16_t>(bar & 0xFFFE);
        }
    }
    return base;
}

}  // namespace orbix::sim
