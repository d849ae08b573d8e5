#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/port_io.h"
#include "sim/stream_output.h"

namespace orbix {

// The card the program talks to, chosen once from ORBIXRX_CARD:
// "simulated" (the default) or "hardware".
struct CardBackend {
    std::unique_ptr<IPortIo> ports;
    std::string name;
    std::string error;  // why no back end could be made (UTF-8)
    // The simulated card's transport stream to StreamPort(); declared after
    // the card so that it stops before the card goes.
    std::unique_ptr<sim::CStreamOutput> stream;
    // Finds the card without port access, for StartUpContext::locateCard;
    // empty where the configuration-port scan is the way (simulated card).
    std::function<std::optional<std::uint16_t>()> locateCard = {};
};

CardBackend MakeCardBackend();

}  // namespace orbix
