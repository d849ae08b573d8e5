#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/sysfs_pci.h"

namespace orbix {

// The card's functions as the kernel lists them under root (SysfsRoot() for
// the running program).
SysfsPciScan ScanSysfsForCard(const std::string& root);

// The I/O base start-up uses: the chosen function's, 0 when sysfs lists no
// card with an I/O window, nullopt when there is no sysfs to ask.
std::optional<std::uint16_t> LocateCardInSysfs(const std::string& root);

}  // namespace orbix
