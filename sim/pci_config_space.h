#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace orbix::sim {

// One PCI function as configuration mechanism 1 sees it.
struct PciFunction {
    std::uint8_t bus = 0;
    std::uint8_t device = 0;
    std::uint8_t function = 0;
    std::uint32_t identity = 0;           // register 0x00: device << 16 | vendor
    std::array<std::uint32_t, 6> bars{};  // registers 0x10..0x24
};

inline constexpr std::uint32_t kCardIdentity = 0x81393568;
inline constexpr std::uint16_t kDefaultIoBase = 0xD000;

// A host bridge, an unrelated device and the card with an I/O window at
// 0xD000 behind a memory BAR.
std::vector<PciFunction> DefaultPciFunctions();

// Configuration mechanism 1: an address written to 0xCF8, data read from
// 0xCFC. Functions that do not exist read all ones.
class CPciConfigSpace {
  public:
    explicit CPciConfigSpace(std::vector<PciFunction> functions);

    void WriteAddress(std::uint32_t address) { m_address = address; }
    std::uint32_t ReadData() const;
    // The I/O base a correct scan finds: the last I/O BAR of the last
    // matching function, bit 0 cleared; 0 when there is none.
    std::uint16_t CardIoBase() const;
    std::uint64_t Reads() const { return m_reads; }

  private:
    std::vector<PciFunction> m_functions;
    std::uint32_t m_address = 0;
    mutable std::uint64_t m_reads = 0;
};

}  // namespace orbix::sim
