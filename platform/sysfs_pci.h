#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orbix {

// A PCI function of the card as the kernel lists it under
// ROOT/bus/pci/devices/ADDRESS/.
struct SysfsPciCard {
    std::string address;  // "0000:03:00.0"
    std::uint16_t ioBase = 0;
    bool hasIoBar = false;
    std::string driver;                      // the driver bound to it, empty for none
    std::vector<std::string> netInterfaces;  // the names under its net/ folder
};

struct SysfsPciScan {
    // False when ROOT/bus/pci/devices cannot be listed: no sysfs here, and
    // the caller falls back to the configuration-port scan.
    bool present = false;
    // Every function with the identity, in address order (which is bus,
    // device, function order), with or without an I/O base.
    std::vector<SysfsPciCard> matches;
    // Files that could not be read (UTF-8, one line each). A function whose
    // identity cannot be read counts as no match.
    std::vector<std::string> problems;

    // The function start-up uses: as with the configuration-port scan, the
    // last match that has an I/O window; nullptr for none.
    const SysfsPciCard* Chosen() const;
};

// The sysfs root: ORBIXRX_SYSFS_ROOT when set (tests point it at a fake
// tree), else "/sys".
std::string SysfsRoot();

// Reads vendor, device, resource, driver and net/ of every PCI function below
// root. Needs no privilege and touches no port.
SysfsPciScan ScanSysfsPci(const std::string& root, std::uint16_t vendor, std::uint16_t device);

}  // namespace orbix
