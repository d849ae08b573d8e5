#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace orbix::testing {

// One PCI function in a fake sysfs tree, laid out as the kernel lays it out:
// the function's folder under devices/, a link to it in bus/pci/devices/, a
// driver link and a net/ folder per interface.
struct FakePciFunction {
    std::string address = "0000:03:00.0";
    std::string vendor = "0x3568";
    std::string device = "0x8139";
    // The resource file's lines: start, end and flags per BAR.
    std::string resource =
        "0x00000000fe900000 0x00000000fe9000ff 0x0000000000040200\n"
        "0x000000000000d000 0x000000000000d0ff 0x0000000000040101\n";
    std::string driver;  // empty: no driver bound
    std::string netInterface;
};

inline void AddFakePciFunction(const std::filesystem::path& root, const FakePciFunction& f) {
    namespace fs = std::filesystem;
    const fs::path folder = root / "devices/pci0000:00" / f.address;
    fs::create_directories(folder);
    fs::create_directories(root / "bus/pci/devices");
    fs::create_directory_symlink(fs::path("../../../devices/pci0000:00") / f.address,
                                 root / "bus/pci/devices" / f.address);
    std::ofstream(folder / "vendor") << f.vendor << "\n";
    std::ofstream(folder / "device") << f.device << "\n";
    std::ofstream(folder / "resource") << f.resource;
    if (!f.driver.empty()) {
        fs::create_directories(root / "bus/pci/drivers" / f.driver);
        fs::create_directory_symlink(fs::path("../../../bus/pci/drivers") / f.driver,
                                     folder / "driver");
    }
    if (!f.netInterface.empty()) fs::create_directories(folder / "net" / f.netInterface);
}

}  // namespace orbix::testing
