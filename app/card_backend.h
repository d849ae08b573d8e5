#pragma once

#include <memory>
#include <string>

#include "platform/port_io.h"

namespace orbix {

// The card the program talks to, chosen once from ORBIXRX_CARD:
// "simulated" (the default) or "hardware".
struct CardBackend {
    std::unique_ptr<IPortIo> ports;
    std::string name;
    std::string error;  // why no back end could be made (UTF-8)
};

CardBackend MakeCardBackend();

}  // namespace orbix
