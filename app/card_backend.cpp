#include "app/card_backend.h"

#include <cstdlib>

#include "sim/sim_card.h"

namespace orbix {
namespace {

std::unique_ptr<IPortIo> MakeSimulatedCard() {
    return std::make_unique<sim::CSimCard>();
}

}  // namespace

CardBackend MakeCardBackend() {
    const char* env = std::getenv("ORBIXRX_CARD");
    const std::string choice = (env != nullptr && *env != '\0') ? env : "simulated";
    if (choice == "simulated") return {MakeSimulatedCard(), choice, {}};
    if (choice == "hardware") return {MakeHardwarePortIo(), choice, {}};
    return {nullptr, choice,
            "ORBIXRX_CARD=" + choice + " is not a card back end; use \"simulated\" or \"hardware\"."};
}

}  // namespace orbix
