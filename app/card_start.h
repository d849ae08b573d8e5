#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/card_session.h"
#include "app/startup.h"
#include "platform/notices.h"
#include "platform/port_io.h"

namespace orbix {

// How every program starts on the card: the back end chosen from
// ORBIXRX_CARD, start-up in its fixed order (instance lock, port I/O, the
// card), then one card session on the card found, with the configuration
// image and the channel database of the working directory.
struct CardStartOptions {
    INotices& notices;
    std::string instanceKey = kInstanceKey;
    // Told the back end's name, how the card was found ("sysfs" or
    // "configuration ports") and its I/O base once it is found.
    std::function<void(const std::string&, const std::string&, std::uint16_t)> onFound = {};
    std::function<void(BringUpStep, bool)> onStep = {};
};

// Runs with the session made but not yet brought up (run brings it up, itself
// or through the main window) and the back end's ports; returns the exit code.
using CardSessionRun = std::function<int(CCardSession&, IPortIo&)>;

// run's exit code; 2, said on standard error, when no back end could be
// made; 1 when start-up ended early (the user has been told why).
int RunOnCard(const CardStartOptions& options, const CardSessionRun& run);

}  // namespace orbix
