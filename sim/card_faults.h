#pragma once

#include <cstdint>
#include <optional>

#include "sim/status_port_model.h"

namespace orbix::sim {

// Card faults scheduled from the card's start (a sky file may name them).
// Each happens once, at the first card access at or after its time.
struct CardFaultSchedule {
    // The logic forgets its configuration: identity probes fail until it is
    // loaded again.
    std::optional<std::int64_t> logicLostAtMs;
    // The status port reports a fault from this time on.
    std::optional<std::int64_t> statusFaultAtMs;
    StatusFault statusFault = StatusFault::Transient;

    bool Empty() const { return !logicLostAtMs && !statusFaultAtMs; }
};

}  // namespace orbix::sim
