#include <cstdio>

#include "app/ctl/commands.h"
#include "app/ctl/stream_args.h"
#include "app/ctl/with_card.h"
#include "db/record_text.h"
#include "platform/clock.h"
#include "platform/stream_port.h"
#include "platform/text.h"
#include "ui/console_language.h"

namespace orbix::ctl {
namespace {

// Long enough for the slowest tune that ends without lock.
constexpr std::int64_t kTuneWaitMs = 30'000;
// Two monitor cycles: the level read after the lock.
constexpr std::int64_t kSignalSettleMs = 2 * CCardMonitor::kCycleMs + 50;

struct TuneArgs {
    std::string satellite;    // GBK
    std::string transponder;  // GBK
    bool once = false;
};

bool ParseArgs(const std::vector<std::string>& args, TuneArgs& out) {
    std::vector<std::string> names;
    for (const std::string& a : args) {
        if (a == "--once") {
            out.once = true;
        } else if (!KeepOperand(a, names)) {
            return false;
        }
    }
    return TakeTransponder(names, out.satellite, out.transponder);
}

void PrintState(const CardStatus& status) {
    const TuneStatus& t = status.tune;
    const std::string frequency = t.locked ? FormatOneDecimal(t.frequency) + " MHz" : "-";
    std::printf("%s  frequency %s  level %d %%  quality %d %%", t.locked ? "locked" : "not locked",
                frequency.c_str(), status.signal.level, status.signal.quality);
    if (!t.locked && t.failure != TuneFailure::None)
        std::printf("  (%s)", TrPrintable(TuneFailureText(t.failure)).c_str());
    std::printf("\n");
    std::fflush(stdout);
}

// Tunes through the session's worker and reports; the exit code.
int TuneOnCard(const TuneArgs& args, CCardSession& session) {
    TuneTarget target{args.satellite, args.transponder, {}};
    CChannelDatabase().ReadTransponder(args.satellite, args.transponder, target.tp);
    if (args.once) {
        if (TuneAndWait(session, target, kTuneWaitMs).tune.locked)
            RealClock().SleepMs(kSignalSettleMs);
        const CardStatus status = session.LastStatus();
        PrintState(status);
        return status.tune.locked ? 0 : 1;
    }
    session.RequestTune(target);
    CatchInterrupts();
    // Only the no-data watchdog: a port that cannot be read warns once and
    // leaves the tune going.
    CStreamHealth health(RealClock());
    health.reader.SetStatisticsOn(false);
    std::string error;
    if (!health.reader.Start(StreamPort(), error)) std::fprintf(stderr, "%s\n", error.c_str());
    while (SleepASecond()) {
        PrintState(session.LastStatus());
        const std::string warning =
            health.reader.Running() ? NoDataLine(health.watchdog, session) : std::string();
        if (!warning.empty()) std::printf("%s\n", warning.c_str());
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int RunTune(const std::vector<std::string>& args) {
    TuneArgs tune;
    if (!ParseArgs(args, tune)) {
        std::fprintf(stderr, "usage: orbixctl tune SATELLITE TRANSPONDER [--once]\n");
        return 2;
    }
    if (!TransponderExists(CChannelDatabase(), tune.satellite, tune.transponder)) return 2;
    return RunWithCard({},
                       [&](CCardSession& session, INotices&) { return TuneOnCard(tune, session); });
}

}  // namespace orbix::ctl
