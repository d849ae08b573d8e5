#include "card/card_sysfs.h"

#include "card/pci_scan.h"

namespace orbix {

SysfsPciScan ScanSysfsForCard(const std::string& root) {
    return ScanSysfsPci(root, static_cast<std::uint16_t>(kCardPciIdentity & 0xFFFF),
                        static_cast<std::uint16_t>(kCardPciIdentity >> 16));
}

std::optional<std::uint16_t> LocateCardInSysfs(const std::string& root) {
    const SysfsPciScan scan = ScanSysfsForCard(root);
    if (!scan.present) return std::nullopt;
    const SysfsPciCard* card = scan.Chosen();
    return card != nullptr ? card->ioBase : 0;
}

}  // namespace orbix
