// The doctor's findings that need no network: the card as sysfs lists it,
// and which interface the stream is looked for on.
#include "app/ctl/doctor_checks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "db/profile_file.h"
#include "search/stream_interface.h"
#include "support/fake_sysfs.h"
#include "support/temp_dir.h"

namespace orbix {
namespace {

using ctl::CheckLevel;
using testing::CTempDir;
using testing::FakePciFunction;

ctl::CheckResult Line(const std::vector<ctl::CheckResult>& results, const std::string& check) {
    for (const ctl::CheckResult& r : results)
        if (r.check == check) return r;
    ADD_FAILURE() << "no line for " << check;
    return {};
}

TEST(DoctorChecks, ReportTheHardwareCardAndItsInterface) {
    struct Case {
        const char* what;
        bool sysfs;
        const char* resource;  // nullptr: no card in the tree
        const char* driver;
        CheckLevel card;
        const char* cardDetail;  // part of the card line
        CheckLevel interface;
        const char* interfaceDetail;
    };
    const char* const memoryOnly = "0x00000000fe900000 0x00000000fe9000ff 0x0000000000040200\n";
    const Case cases[] = {
        {"present", true, "", "orbixnet", CheckLevel::Ok,
         "PCI 0000:03:00.0, I/O base 0xD000, driver orbixnet", CheckLevel::Fail,
         "orbixdvb9 (from sysfs) does not exist"},
        {"no driver", true, "", "", CheckLevel::Warning, "driver none", CheckLevel::Fail,
         "orbixdvb9 (from sysfs)"},
        {"absent", true, nullptr, "", CheckLevel::Fail, "no PCI function 3568:8139",
         CheckLevel::Fail, "lists no network interface"},
        {"memory BAR only", true, memoryOnly, "orbixnet", CheckLevel::Fail, "has no I/O window",
         CheckLevel::Fail, "lists no network interface"},
        {"no sysfs", false, nullptr, "", CheckLevel::Warning, "configuration ports",
         CheckLevel::Fail, "lists no network interface"},
    };
    for (const Case& c : cases) {
        CTempDir dir;
        const std::filesystem::path root = dir.Path() / "sys";
        if (c.sysfs) std::filesystem::create_directories(root / "bus/pci/devices");
        if (c.resource != nullptr) {
            FakePciFunction card;
            if (*c.resource != '\0') card.resource = c.resource;
            card.driver = c.driver;
            card.netInterface = "orbixdvb9";
            AddFakePciFunction(root, card);
        }
        ctl::DoctorSetup setup;
        setup.backend = "hardware";
        setup.sysfsRoot = root.string();
        setup.imagePath = dir.File("conwh.ocx");
        setup.databasePath = dir.File("SATSETUPL.ini");
        setup.lockDirectory = dir.Path().string();
        setup.probeTimeoutMs = 10;
        const auto results = ctl::RunDoctorChecks(setup);
        ASSERT_EQ(results.size(), 8u) << c.what;
        for (const auto& [check, level, detail] :
             {std::tuple("card", c.card, c.cardDetail),
              std::tuple("interface", c.interface, c.interfaceDetail)}) {
            const ctl::CheckResult line = Line(results, check);
            EXPECT_TRUE(line.level == level && line.detail.find(detail) != std::string::npos)
                << c.what << ", " << check << ": " << line.detail;
        }
    }
}

TEST(StreamInterface, SettingsOverrideSysfsOnlyForTheHardwareCard) {
    CTempDir dir;
    FakePciFunction card;
    card.netInterface = "dvb0";
    card.driver = "orbixnet";
    AddFakePciFunction(dir.Path(), card);
    struct Case {
        const char* settings;
        bool hardware;
        const char* name;
        const char* source;
    };
    const Case cases[] = {
        {"", true, "dvb0", "sysfs"},
        {"[Stream]\r\nInterface=eth1\r\n", true, "eth1", "settings"},
        {"[stream]\r\ninterface = eth2\r\n", false, "eth2", "settings"},
        {"[Stream]\r\nInterface=\r\n", true, "dvb0", "sysfs"},
        {"", false, "", ""},
    };
    for (const Case& c : cases) {
        const StreamInterfaceChoice choice =
            ChooseStreamInterface(CMemoryProfile(c.settings), c.hardware, dir.Path().string());
        EXPECT_EQ(std::tie(choice.name, choice.source, choice.driver),
                  std::tuple(c.name, c.source, c.source == std::string("sysfs") ? "orbixnet" : ""))
            << c.settings;
    }
}

}  // namespace
}  // namespace orbix
