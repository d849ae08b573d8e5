// The real capability drop, in a child process so this one keeps its own;
// skipped where there is no CAP_SYS_RAWIO to drop (it runs as root on CI).
#include "platform/capabilities.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace orbix {
namespace {

constexpr unsigned long long kRawIoBit = 1ull << 17;  // CAP_SYS_RAWIO

// The capability sets of a program started now with exec, as it reports
// them itself: what the player would get.
bool ExecedChildHoldsRawIo() {
    FILE* child = popen("exec grep -E '^Cap(Prm|Eff|Inh|Amb):' /proc/self/status", "r");
    if (child == nullptr) return true;
    bool held = false;
    char line[128];
    while (std::fgets(line, sizeof line, child) != nullptr) {
        const std::string text(line);
        held = held || (std::strtoull(text.substr(7).c_str(), nullptr, 16) & kRawIoBit) != 0;
    }
    return pclose(child) != 0 || held;
}

TEST(Capabilities, DropReachesThreadsAndProgramsStartedLater) {
    if (!MakeProcessCapabilities()->HoldsRawIo())
        GTEST_SKIP() << "this process does not hold CAP_SYS_RAWIO";
    ASSERT_TRUE(ExecedChildHoldsRawIo()) << "a program started before the drop should hold it";
    EXPECT_EXIT(
        {
            auto caps = MakeProcessCapabilities();
            int fault = caps->DropRawIo() ? 0 : 1;
            if (caps->HoldsRawIo()) fault |= 2;
            std::thread([&] { fault |= MakeProcessCapabilities()->HoldsRawIo() ? 4 : 0; }).join();
            if (ExecedChildHoldsRawIo()) fault |= 8;
            if (!caps->DropRawIo()) fault |= 16;  // a second drop is harmless
            std::_Exit(fault);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace orbix
