#include "app/startup.h"

#include <cstdlib>
#include <string_view>

#include "card/card_texts.h"
#include "card/pci_scan.h"
#include "platform/platform_texts.h"

namespace orbix {

std::uint16_t g_cardIoBase = 0;

namespace {

// The end-to-end tests run many short-lived instances side by side on the
// simulated card, which each process owns alone; ORBIXRX_LOCK_DIR gives them
// a private lock. With the hardware card there is one card per machine, so
// the machine-wide lock always applies.
std::string LockDirectory(const StartUpContext& context) {
    if (!context.lockDirectory.empty()) return context.lockDirectory;
    const char* card = std::getenv("ORBIXRX_CARD");
    if (card != nullptr && std::string_view(card) == "hardware") return {};
    const char* dir = std::getenv("ORBIXRX_LOCK_DIR");
    return dir != nullptr ? dir : std::string{};
}

}  // namespace

StartUpOutcome StartUp(StartUpContext& context,
                       const std::function<void(std::uint16_t)>& runMainWindow) {
    // Linux needs no sockets start-up, so there is no step to fail before the
    // lock.
    if (!context.instanceLock.Acquire(context.appName, LockDirectory(context))) {
        context.notices.Tell(texts::AlreadyLoaded());
        return StartUpOutcome::AlreadyRunning;
    }
    // Where the kernel lists the card, the configuration ports stay untouched:
    // the kernel drives them itself, and an access between its address and
    // data cycles would corrupt one of them.
    const std::optional<std::uint16_t> located =
        context.locateCard ? context.locateCard() : std::nullopt;
    if (located) {
        context.cardFoundBy = "sysfs";
        g_cardIoBase = *located;
    } else {
        if (!context.ports.Enable(kPciConfigAddressPort, kPciConfigPortCount)) {
            context.notices.Tell(texts::PortIoNotReady());
            return StartUpOutcome::PortIoDenied;
        }
        context.cardFoundBy = "configuration ports";
        g_cardIoBase = FindCardIoBase(context.ports, kCardPciIdentity);
    }
    if (g_cardIoBase == 0) {
        context.notices.Tell(texts::NoCardInstalled());
        return StartUpOutcome::NoCard;
    }
    // Access to the card's own window is asked for only now that its base
    // is known, and only for its 256 ports.
    if (!context.ports.Enable(g_cardIoBase, kCardWindowSize)) {
        context.notices.Tell(texts::PortIoNotReady());
        return StartUpOutcome::PortIoDenied;
    }
    // That was the last port to enable: the privilege it took goes now,
    // before the main window starts the workers and the player.
    context.ports.EnablingDone();
    runMainWindow(g_cardIoBase);
    return StartUpOutcome::Ran;
}

}  // namespace orbix
