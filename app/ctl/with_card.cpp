#include "app/ctl/with_card.h"

#include <cstdio>

#include "app/card_backend.h"
#include "app/startup.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace orbix::ctl {

int RunWithCard(const CardRunOptions& options, const CardWork& work) {
    CardBackend backend = MakeCardBackend();
    if (!backend.ports) {
        std::fprintf(stderr, "%s\n", backend.error.c_str());
        return 2;
    }
    CConsoleNotices notices;
    CInstanceLock lock;
    StartUpContext start{*backend.ports, notices, lock, kInstanceKey, {}, backend.locateCard};
    int result = 1;
    const StartUpOutcome outcome = StartUp(start, [&](std::uint16_t ioBase) {
        if (options.onFound) options.onFound(backend.name, start.cardFoundBy, ioBase);
        CCardSession session({*backend.ports, RealClock(), notices, ioBase, "./conwh.ocx",
                              CChannelDatabase::kDefaultPath, options.onStep});
        if (session.BringUp()) result = work(session, notices);
        session.Shutdown();
    });
    return outcome == StartUpOutcome::Ran ? result : 1;
}

bool TransponderExists(const CChannelDatabase& database, const std::string& satellite,
                       const std::string& transponder) {
    if (database.FindTransponderIndex(satellite, transponder) >= 0) return true;
    std::fprintf(stderr, "no transponder \"%s\" of satellite \"%s\" in %s\n",
                 Utf8(transponder).c_str(), Utf8(satellite).c_str(), database.Path().c_str());
    return false;
}

CardStatus TuneAndWait(CCardSession& session, const TuneTarget& target, std::int64_t timeoutMs) {
    // Only a tune that began after the request counts: one already running
    // may have read another record.
    const std::uint64_t before = session.LastStatus().tune.attempt;
    session.RequestTune(target);
    constexpr std::int64_t kPollMs = 20;
    for (std::int64_t waited = 0;; waited += kPollMs) {
        const CardStatus status = session.LastStatus();
        const TuneStatus& t = status.tune;
        const bool ours = t.attempt > before && t.satellite == target.satellite &&
                          t.transponder == target.transponder;
        if ((ours && t.settled) || waited >= timeoutMs) return status;
        RealClock().SleepMs(kPollMs);
    }
}

}  // namespace orbix::ctl
