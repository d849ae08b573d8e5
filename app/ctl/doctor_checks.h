#pragma once

#include <string>
#include <vector>

#include "card/card_access.h"

namespace orbix::ctl {

enum class CheckLevel { Ok, Warning, Fail };

// One line of `orbixctl doctor`: what was checked, what was found and, where
// there is one, the command that mends it.
struct CheckResult {
    CheckLevel level = CheckLevel::Ok;
    std::string check;
    std::string detail;
    std::string fix;
};

// Where the checks look. The defaults are the running program's; tests
// point them at fake trees and scratch folders.
struct DoctorSetup {
    std::string backend = "simulated";  // ORBIXRX_CARD, "simulated" when unset
    std::string sysfsRoot = "/sys";
    std::string procRoot = "/proc";
    std::string imagePath = kConfigurationImage;
    std::string databasePath = "./SATSETUPL.ini";
    std::string lockDirectory;          // "" for the machine-wide one
    std::vector<std::string> binaries;  // the programs that need the capability
    int streamPort = 8511;
    int probeTimeoutMs = 1000;
};

// The setup of this process: ORBIXRX_CARD, the sysfs root, StreamPort(),
// ./conwh.ocx, ./SATSETUPL.ini, and orbixctl with orbixrx beside it.
DoctorSetup ProcessDoctorSetup();

// Every check in order. None touches a port or changes a setting; the only
// thing sent is one broadcast datagram to the stream port.
std::vector<CheckResult> RunDoctorChecks(const DoctorSetup& setup);

// "ok", "warning" or "fail", the check, the detail, and "fix: COMMAND".
std::string FormatCheck(const CheckResult& result);

}  // namespace orbix::ctl
