#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "card/card_access.h"
#include "card/card_check.h"
#include "card/pid_filter.h"

namespace orbix {

// The steps that bring the card up, in their order.
enum class BringUpStep {
    EepromTest,
    StatusCheck,
    ConfigurationLoad,
    LogicIdentity,
    ControlPulse,
    DemodulatorCheck,  // run by the card session after BringUpCard
};

// What the main window owns of the card once it is up.
struct CardObjects {
    std::unique_ptr<CCardCheck> check;
    std::unique_ptr<CCardAccess> access;
};

struct BringUpContext {
    IPortIo& ports;
    IClock& clock;
    INotices& notices;
    CPidFilter& pidFilter;
    std::uint16_t ioBase = 0;
    std::string configurationPath = kConfigurationImage;
    // Told of every step as it ends, with its result.
    std::function<void(BringUpStep, bool)> onStep;
};

// Checks the card, loads its logic and probes it. On a failed check the user
// is told and bring-up stops; card objects made so far are kept in objects.
// True when every step passed.
bool BringUpCard(BringUpContext& context, CardObjects& objects);

// The step's name in plain words, UTF-8.
std::string BringUpStepName(BringUpStep step);

}  // namespace orbix
