#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/instance_lock.h"
#include "platform/notices.h"
#include "platform/port_io.h"

namespace orbix {

// The card's I/O base found at start-up; 0 for none.
extern std::uint16_t g_cardIoBase;

enum class StartUpOutcome { Ran, AlreadyRunning, PortIoDenied, NoCard };

// The single-instance key of every program that drives the card.
inline constexpr const char* kInstanceKey = "orbixrx";

struct StartUpContext {
    IPortIo& ports;
    INotices& notices;
    CInstanceLock& instanceLock;
    // The lock's key: the windowed program and orbixctl drive the same card,
    // so both pass the same name.
    std::string appName;
    // Empty: the machine-wide lock directory (CInstanceLock::SystemDirectory),
    // or ORBIXRX_LOCK_DIR on the simulated card. Tests pass a private one.
    std::string lockDirectory;
    // Finds the card without touching a port (the hardware back end reads
    // sysfs): its I/O base, 0 for no card, or nullopt when it cannot tell,
    // and start-up then scans the PCI configuration ports. Empty: always
    // scan, as on the simulated card, which models configuration space.
    std::function<std::optional<std::uint16_t>()> locateCard = {};
    // Set by start-up: how the card was looked for, "sysfs" or
    // "configuration ports"; empty before the search.
    std::string cardFoundBy = {};
};

// Brings the process up in its fixed order: single-instance lock, then the
// card from locateCard, or else port I/O for the configuration ports and the
// PCI scan; then the card's window, then the main window (handed in) with
// the card's I/O base.
// Each failure tells the user and ends start-up before anything later.
StartUpOutcome StartUp(StartUpContext& context,
                       const std::function<void(std::uint16_t)>& runMainWindow);

}  // namespace orbix
