#include "app/ctl/card_session.h"

#include <cstdio>

#include "app/card_backend.h"
#include "app/startup.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace orbix::ctl {

int RunWithCard(const CardSession& session, const CardWork& work) {
    CardBackend backend = MakeCardBackend();
    if (!backend.ports) {
        std::fprintf(stderr, "%s\n", backend.error.c_str());
        return 2;
    }
    CConsoleNotices notices;
    CInstanceLock lock;
    StartUpContext start{*backend.ports, notices, lock, "orbixrx", {}};
    CPidFilter pidFilter;
    CardObjects card;
    int result = 1;
    const StartUpOutcome outcome = StartUp(start, [&](std::uint16_t ioBase) {
        if (session.onFound) session.onFound(backend.name, ioBase);
        BringUpContext context{*backend.ports, RealClock(), notices, pidFilter, ioBase, "./conwh.ocx",
                               session.onStep};
        if (BringUpCard(context, card)) result = work(*card.access, pidFilter, notices);
        // The filter must not outlive its card.
        pidFilter.SetCardAccess(nullptr);
    });
    return outcome == StartUpOutcome::Ran ? result : 1;
}

int PrepareTune(const std::string& satellite, const std::string& transponder,
                const CChannelDatabase& database, CDemod& demod, CCardAccess& access,
                INotices& notices, TuneTarget& target) {
    if (database.FindTransponderIndex(satellite, transponder) < 0) {
        std::fprintf(stderr, "no transponder \"%s\" of satellite \"%s\" in %s\n",
                     Utf8(transponder).c_str(), Utf8(satellite).c_str(), database.Path().c_str());
        return 2;
    }
    target = TuneTarget{satellite, transponder, {}};
    database.ReadTransponder(satellite, transponder, target.tp);
    demod.SetCardAccess(&access);
    demod.Init(true);
    if (!demod.CheckId()) {
        notices.Tell(Gbk("初始化高频头失败!"));
        demod.SetCardAccess(nullptr);
        return 1;
    }
    return 0;
}

}  // namespace orbix::ctl
