#pragma once

#include <string>

#include "db/profile_file.h"

namespace orbix {

// The settings section that names the stream's interface for a card whose
// datagrams come another way than through its own:
//     [Stream]
//     Interface=eth1
inline constexpr const char* kStreamSection = "Stream";
inline constexpr const char* kStreamInterfaceKey = "Interface";

// The network interface the card's datagrams arrive on.
struct StreamInterfaceChoice {
    std::string name;    // "" when none is known: receive on every interface
    std::string source;  // "settings", "sysfs" or ""
    std::string driver;  // the card's driver when the name came from sysfs
};

// The settings' interface when one is set; else, for the hardware card, the
// first interface sysfs lists under the card's PCI function.
StreamInterfaceChoice ChooseStreamInterface(const IProfile& settings, bool hardware,
                                            const std::string& sysfsRoot);

// The choice for this process, made once from ./SATSETUPL.ini, ORBIXRX_CARD
// and the sysfs root; the stream receiver binds its socket to it.
const StreamInterfaceChoice& StreamInterface();

}  // namespace orbix
