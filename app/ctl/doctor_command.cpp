#include <cstdio>

#include "app/ctl/commands.h"
#include "app/ctl/doctor_checks.h"

namespace orbix::ctl {

// Says what stands between the card and a working stream, one line a check.
// It never touches a port and changes nothing, so it is safe while the
// program runs.
int RunDoctor(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "orbixctl doctor takes no arguments\n");
        return 2;
    }
    bool failed = false;
    for (const CheckResult& result : RunDoctorChecks(ProcessDoctorSetup())) {
        std::printf("%s\n", FormatCheck(result).c_str());
        failed = failed || result.level == CheckLevel::Fail;
    }
    return failed ? 1 : 0;
}

}  // namespace orbix::ctl
