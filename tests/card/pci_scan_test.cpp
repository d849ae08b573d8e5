#include "card/pci_scan.h"

#include <gtest/gtest.h>

#include "sim/sim_card.h"

namespace orbix {
namespace {

using sim::kCardIdentity;
using sim::PciFunction;

TEST(PciScan, FindsTheLastIoWindowOfTheLastCard) {
    struct Case {
        const char* what;
        std::vector<PciFunction> functions;
        std::uint16_t expected;
    };
    const PciFunction other{0, 1, 0, 0x10EC8168, {0xE001, 0, 0, 0, 0, 0}};
    const Case cases[] = {
        {"default machine", sim::DefaultPciFunctions(), sim::kDefaultIoBase},
        {"no card", {other}, 0},
        // Vendor and device must both match.
        {"the vendor's other device", {{1, 0, 0, 0x12343568, {0xC001}}}, 0},
        {"the device number of another vendor", {{1, 0, 0, 0x813910EC, {0xC001}}}, 0},
        {"an I/O BAR in the middle alone", {{1, 0, 0, kCardIdentity, {0, 0, 0, 0xB001}}}, 0xB000},
        {"same device, higher function wins",
         {{1, 4, 7, kCardIdentity, {0xA001}}, {1, 4, 1, kCardIdentity, {0xC001}}},
         0xA000},
        {"several I/O BARs: the highest",
         {{1, 0, 0, kCardIdentity, {0xC001, 0, 0xC101, 0xF0000000, 0, 0}}},
         0xC100},
        {"bit 1 survives the mask", {{1, 0, 0, kCardIdentity, {0xD003}}}, 0xD002},
        {"card on the last bus", {{255, 31, 7, kCardIdentity, {0, 0, 0, 0, 0, 0xE801}}}, 0xE800},
    };
    for (const Case& c : cases) {
        sim::SimCardConfig config;
        config.pciFunctions = c.functions;
        sim::CSimCard card(config);
        EXPECT_EQ(FindCardIoBase(card, kCardPciIdentity), c.expected) << c.what;
        EXPECT_EQ(card.StrayAccesses(), 0u) << c.what;
    }
}

}  // namespace
}  // namespace orbix
