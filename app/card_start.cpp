#include "app/card_start.h"

#include <cstdio>

#include "app/card_backend.h"
#include "platform/clock.h"

namespace orbix {

int RunOnCard(const CardStartOptions& options, const CardSessionRun& run) {
    CardBackend backend = MakeCardBackend();
    if (!backend.ports) {
        std::fprintf(stderr, "%s\n", backend.error.c_str());
        return 2;
    }
    CInstanceLock lock;
    StartUpContext start{*backend.ports,    options.notices, lock, options.instanceKey, {},
                         backend.locateCard};
    int result = 1;
    const StartUpOutcome outcome = StartUp(start, [&](std::uint16_t ioBase) {
        if (options.onFound) options.onFound(backend.name, start.cardFoundBy, ioBase);
        CCardSession session({*backend.ports, RealClock(), options.notices, ioBase,
                              kConfigurationImage, CChannelDatabase::kDefaultPath, options.onStep});
        result = run(session, *backend.ports);
    });
    return outcome == StartUpOutcome::Ran ? result : 1;
}

}  // namespace orbix
