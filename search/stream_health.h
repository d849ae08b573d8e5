#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "search/pid_stats.h"
#include "search/stream_reader.h"
#include "search/stream_watchdog.h"

namespace orbix {

// The stream's health as one piece: the reader on its own socket, the
// no-data watchdog and the per-PID statistics it feeds. The reader stops
// (in its destructor) before the two it feeds go.
struct CStreamHealth {
    explicit CStreamHealth(IClock& clock) : watchdog(clock), reader(clock, watchdog, &statistics) {}

    CStreamWatchdog watchdog;
    CPidStatistics statistics;
    CStreamReader reader;
};

// The PIDs of the in-use slots of a PID table (the filter's Table()).
inline std::vector<std::uint16_t> PidsInUse(const std::array<std::uint16_t, 32>& table) {
    std::vector<std::uint16_t> pids;
    for (std::uint16_t slot : table) {
        if (slot & 0x2000) pids.push_back(slot & 0x1FFF);
    }
    return pids;
}

}  // namespace orbix
