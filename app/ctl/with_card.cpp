#include "app/ctl/with_card.h"

#include <cstdio>

#include "app/card_start.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "ui/console_language.h"

namespace orbix::ctl {

int RunWithCard(const CardRunOptions& options, const CardWork& work) {
    CConsoleNotices notices(TrPrintable);
    return RunOnCard({notices, kInstanceKey, options.onFound, options.onStep},
                     [&](CCardSession& session, IPortIo&) {
                         const int result = session.BringUp() ? work(session, notices) : 1;
                         session.Shutdown();
                         return result;
                     });
}

bool KeepOperand(const std::string& word, std::vector<std::string>& operands) {
    if (word.starts_with("--")) {
        std::fprintf(stderr, "unknown option \"%s\"\n", word.c_str());
        return false;
    }
    operands.push_back(word);
    return true;
}

bool TakeTransponder(const std::vector<std::string>& operands, std::string& satellite,
                     std::string& transponder) {
    if (operands.size() != 2) return false;
    satellite = Gbk(operands[0]);
    transponder = Gbk(operands[1]);
    return true;
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
