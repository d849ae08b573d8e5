#include "app/card_backend.h"

#include <cstdlib>

#include "card/card_sysfs.h"
#include "search/stream_interface.h"
#include "sim/front_end.h"
#include "sim/sim_card.h"
#include "sim/sky.h"

namespace orbix {
namespace {

// The simulated card with its front end in front of the built-in sky, or of
// the sky file named by ORBIXRX_SKY, and its stream output running.
CardBackend MakeSimulatedCard(const std::string& name) {
    sim::Sky sky = sim::DefaultSky();
    const char* skyPath = std::getenv("ORBIXRX_SKY");
    if (skyPath != nullptr && *skyPath != '\0') {
        sim::SkyParseResult loaded = sim::LoadSkyFile(skyPath);
        if (!loaded.sky) return {nullptr, name, "ORBIXRX_SKY: " + loaded.error, nullptr};
        sky = std::move(*loaded.sky);
    }
    auto card = std::make_unique<sim::CSimCard>();
    auto frontEnd = sim::CSimFrontEnd::Create(std::move(sky));
    frontEnd->AttachTo(*card);
    std::string error;
    // Streams to StreamPort(): 8511 unless ORBIXRX_STREAM_PORT names another;
    // out through the interface the settings name, if they name one, as a
    // real card's interface would deliver it.
    sim::StreamOutputConfig output;
    output.interface = StreamInterface().name;
    auto stream = sim::StartStreamOutput(*card, frontEnd, error, output);
    if (!stream) return {nullptr, name, error, nullptr};
    return {std::move(card), name, {}, std::move(stream)};
}

}  // namespace

CardBackend MakeCardBackend() {
    const char* env = std::getenv("ORBIXRX_CARD");
    const std::string choice = (env != nullptr && *env != '\0') ? env : "simulated";
    if (choice == "simulated") return MakeSimulatedCard(choice);
    if (choice == "hardware") {
        return {MakeHardwarePortIo(), choice, {}, nullptr, [] {
                    return LocateCardInSysfs(SysfsRoot());
                }};
    }
    return {
        nullptr, choice,
        "ORBIXRX_CARD=" + choice + " is not a card back end; use \"simulated\" or \"hardware\".",
        nullptr};
}

}  // namespace orbix
