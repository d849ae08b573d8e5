// The card as sysfs lists it: found by vendor and device, its I/O window
// taken from the resource line flagged as I/O space.
#include "platform/sysfs_pci.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>
#include <vector>

#include "support/fake_sysfs.h"
#include "support/temp_dir.h"

namespace orbix {
namespace {

using testing::CTempDir;
using testing::FakePciFunction;

constexpr const char* kMemoryOnly =
    "0x00000000fe900000 0x00000000fe9000ff 0x0000000000040200\n"
    "0x00000000fe901000 0x00000000fe9010ff 0x0000000000040200\n";
// I/O windows in BARs 1 and 4 (the later one counts); an I/O bridge window
// after the ROM line is not the function's own.
constexpr const char* kTwoIoBars =
    "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
    "0x000000000000c000 0x000000000000c0ff 0x0000000000040101\n"
    "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
    "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
    "0x000000000000e002 0x000000000000e0ff 0x0000000000040101\n"
    "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
    "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
    "0x000000000000f000 0x000000000000ffff 0x0000000000000100\n";

FakePciFunction Other(const char* address, const char* vendor = "0x8086",
                      const char* device = "0x1237") {
    FakePciFunction f;
    std::tie(f.address, f.vendor, f.device) = std::tie(address, vendor, device);
    return f;
}

FakePciFunction Card(const char* address, std::string resource = FakePciFunction{}.resource) {
    FakePciFunction f;
    std::tie(f.address, f.resource) = std::tie(address, resource);
    return f;
}

TEST(SysfsPci, FindsTheCardItsIoWindowAndItsDriver) {
    struct Case {
        const char* what;
        std::vector<FakePciFunction> functions;
        std::size_t matches;
        const char* chosen;  // address, nullptr for no card
        std::uint16_t ioBase;
    };
    FakePciFunction withDriver = Card("0000:03:00.0");
    withDriver.driver = "orbixnet";
    withDriver.netInterface = "dvb0";
    const Case cases[] = {
        {"card present", {Other("0000:00:00.0"), withDriver}, 1, "0000:03:00.0", 0xD000},
        {"card absent", {Other("0000:00:00.0"), Other("0000:00:1f.0")}, 0, nullptr, 0},
        // Both numbers must match: either alone is another function.
        {"vendor only", {Other("0000:03:00.0", "0x3568")}, 0, nullptr, 0},
        {"device only", {Other("0000:03:00.0", "0x8086", "0x8139")}, 0, nullptr, 0},
        // As with the port scan, the later function in bus order is used;
        // the tree lists 0000:0a before 0000:04 on purpose.
        {"two cards",
         {Card("0000:0a:00.0", kTwoIoBars), Card("0000:04:00.0")},
         2,
         "0000:0a:00.0",
         0xE002},
        {"a memory BAR only", {Card("0000:03:00.0", kMemoryOnly)}, 1, nullptr, 0},
        {"no BAR at all", {Card("0000:03:00.0", "")}, 1, nullptr, 0},
        {"the second card without I/O",
         {Card("0000:03:00.0"), Card("0000:05:00.0", kMemoryOnly)},
         2,
         "0000:03:00.0",
         0xD000},
    };
    for (const Case& c : cases) {
        CTempDir root;
        for (const FakePciFunction& f : c.functions) AddFakePciFunction(root.Path(), f);
        const SysfsPciScan scan = ScanSysfsPci(root.Path().string(), 0x3568, 0x8139);
        EXPECT_TRUE(scan.present) << c.what;
        EXPECT_TRUE(scan.problems.empty()) << c.what << ": " << scan.problems.front();
        EXPECT_EQ(scan.matches.size(), c.matches) << c.what;
        const SysfsPciCard* card = scan.Chosen();
        ASSERT_EQ(card != nullptr, c.chosen != nullptr) << c.what;
        if (card == nullptr) continue;
        const auto f = std::ranges::find(c.functions, card->address, &FakePciFunction::address);
        using Names = std::vector<std::string>;
        EXPECT_EQ(std::tie(card->address, card->ioBase, card->driver, card->netInterfaces),
                  std::tuple(c.chosen, c.ioBase, f->driver,
                             f->netInterface.empty() ? Names{} : Names{f->netInterface}))
            << c.what;
    }
}

TEST(SysfsPci, NoTreeMeansFallBackAndAnUnreadableFileIsReported) {
    CTempDir root;
    EXPECT_FALSE(ScanSysfsPci((root.Path() / "none").string(), 0x3568, 0x8139).present);

    // Read errors are made with a folder where a file belongs: a permission
    // bit would not stop a test run as root.
    struct Case {
        const char* file;
        std::size_t matches;
    };
    const Case cases[] = {{"vendor", 0}, {"device", 0}, {"resource", 1}};
    for (const Case& c : cases) {
        CTempDir tree;
        AddFakePciFunction(tree.Path(), Card("0000:03:00.0"));
        const std::filesystem::path file = tree.Path() / "devices/pci0000:00/0000:03:00.0" / c.file;
        std::filesystem::remove(file);
        std::filesystem::create_directory(file);
        const SysfsPciScan scan = ScanSysfsPci(tree.Path().string(), 0x3568, 0x8139);
        EXPECT_EQ(std::tuple(scan.present, scan.matches.size(), scan.Chosen()),
                  std::tuple(true, c.matches, nullptr))
            << c.file;
        ASSERT_EQ(scan.problems.size(), 1u) << c.file;
        EXPECT_NE(scan.problems[0].find(c.file), std::string::npos) << scan.problems[0];
    }
}

}  // namespace
}  // namespace orbix
