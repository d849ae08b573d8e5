#include "search/stream_interface.h"

#include <cstdlib>
#include <string_view>

#include "card/card_sysfs.h"
#include "db/channel_database.h"

namespace orbix {
namespace {

// An interface name is at most 15 bytes; a longer value cannot name one.
constexpr std::size_t kNameBuffer = 64;

StreamInterfaceChoice ChooseForProcess() {
    const char* card = std::getenv("ORBIXRX_CARD");
    const bool hardware = card != nullptr && std::string_view(card) == "hardware";
    CProfileFile settings(CChannelDatabase::kDefaultPath);
    return ChooseStreamInterface(settings, hardware, SysfsRoot());
}

}  // namespace

StreamInterfaceChoice ChooseStreamInterface(const IProfile& settings, bool hardware,
                                            const std::string& sysfsRoot) {
    const std::string set =
        settings.ReadString(kStreamSection, kStreamInterfaceKey, "", kNameBuffer);
    if (!set.empty()) return {set, "settings", {}};
    if (!hardware) return {};
    const SysfsPciScan scan = ScanSysfsForCard(sysfsRoot);
    const SysfsPciCard* chosen = scan.Chosen();
    if (chosen == nullptr || chosen->netInterfaces.empty()) return {};
    return {chosen->netInterfaces.front(), "sysfs", chosen->driver};
}

const StreamInterfaceChoice& StreamInterface() {
    static const StreamInterfaceChoice choice = ChooseForProcess();
    return choice;
}

}  // namespace orbix
