#include <cstdio>

#include "app/card_backend.h"
#include "app/card_bringup.h"
#include "app/ctl/commands.h"
#include "app/startup.h"
#include "platform/clock.h"
#include "platform/notices.h"

namespace orbix::ctl {
namespace {

const char* Result(bool ok) { return ok ? "ok" : "FAILED"; }

}  // namespace

int RunProbe(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "orbixctl probe takes no arguments\n");
        return 2;
    }
    CardBackend backend = MakeCardBackend();
    if (!backend.ports) {
        std::fprintf(stderr, "%s\n", backend.error.c_str());
        return 2;
    }
    std::printf("card back end: %s\n", backend.name.c_str());
    CConsoleNotices notices;
    CInstanceLock lock;
    StartUpContext start{*backend.ports, notices, lock, "orbixrx", {}};
    CPidFilter pidFilter;
    CardObjects card;
    bool up = false;
    const StartUpOutcome outcome = StartUp(start, [&](std::uint16_t ioBase) {
        std::printf("single-instance lock: ok\nport I/O: ok\ncard found, I/O base 0x%04X\n", ioBase);
        BringUpContext context{*backend.ports, RealClock(), notices, pidFilter, ioBase, "./conwh.ocx",
                               [](BringUpStep step, bool ok) {
                                   std::printf("%s: %s\n", BringUpStepName(step).c_str(), Result(ok));
                               }};
        up = BringUpCard(context, card);
        // The filter must not outlive its card.
        pidFilter.SetCardAccess(nullptr);
    });
    if (outcome != StartUpOutcome::Ran || !up) return 1;
    std::printf("card ready\n");
    return 0;
}

}  // namespace orbix::ctl
