// ParsePat over any bytes, counted as whole packets and as more packets than
// are held.
#include <cstddef>
#include <cstdint>

#include "search/psi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    orbix::PatTable table;
    const int packets = static_cast<int>(size / orbix::kTsPacketSize);
    const int count = orbix::ParsePat(bytes, packets, table);
    if (count > orbix::kPatCapacity || table.count > orbix::kPatCapacity) __builtin_trap();
    orbix::ParsePat(bytes, packets + 3, table);
    return 0;
}
