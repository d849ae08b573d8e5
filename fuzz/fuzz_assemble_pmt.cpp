// AssembleSection followed by ParsePmt, as the search runs them, and
// ParsePmt on the raw packets. The first four bytes choose the PMT PID and
// the program number.
#include <array>
#include <cstddef>
#include <cstdint>

#include "search/psi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const auto pid = static_cast<std::uint16_t>(((data[0] << 8) | data[1]) & 0x1FFF);
    const auto program = static_cast<std::uint16_t>((data[2] << 8) | data[3]);
    const std::span<const std::uint8_t> packets(data + 4, size - 4);
    const int count = static_cast<int>(packets.size() / orbix::kTsPacketSize);
    std::array<std::uint8_t, orbix::kAssemblyAreaSize> area;
    area.fill(0xEE);
    orbix::PmtTable table;
    if (orbix::AssembleSection(pid, program, packets, count, area) == 1) {
        const int streams = orbix::ParsePmt(area, 1, table, pid);
        if (streams > orbix::kPmtStreamCapacity) __builtin_trap();
    }
    if (orbix::ParsePmt(packets, count, table, pid) > orbix::kPmtStreamCapacity) __builtin_trap();
    return 0;
}
