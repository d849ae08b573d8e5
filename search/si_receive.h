#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/clock.h"
#include "search/datagram_source.h"

namespace orbix {

// How a service table is waited for: the datagrams come from source (its
// filter already set to the table's PID); limitWait, when set, is told
// before each receive how long it may block at most, so that a silent
// stream does not hold the step beyond its time.
struct TableWait {
    IDatagramSource& source;
    IClock& clock;
    const CStopSignal& stop;
    std::int64_t timeoutMs = 0;
    std::function<void(int ms)> limitWait;
};

// The sections (CRC_32 correct, current version) of the table tableId on
// pid, once all of them came; empty when they did not all come within the
// time, the stream fell silent or a stop was asked for.
std::vector<std::vector<std::uint8_t>> ReceiveTable(const TableWait& wait, std::uint16_t pid,
                                                    std::uint8_t tableId);

}  // namespace orbix
