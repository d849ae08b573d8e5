// orbixctl stats: per-PID statistics of the card's stream.
#include <algorithm>
#include <cstdio>
#include <string>

#include "app/ctl/commands.h"
#include "app/ctl/stream_args.h"
#include "app/ctl/with_card.h"
#include "platform/clock.h"
#include "platform/stream_port.h"

namespace orbix::ctl {
namespace {

constexpr std::int64_t kLockWaitMs = 10'000;
constexpr int kDefaultSeconds = 5;

void PrintSnapshot(const PidStatsSnapshot& s) {
    std::printf("PID     packets/s    kbit/s    packets  cc-errors  tei  scrambled  last seen\n");
    for (const PidStatsRow& r : s.rows) {
        std::string seen = "never";
        if (r.lastSeenMs >= 0) {
            char text[32];
            std::snprintf(text, sizeof text, "%.1f s ago",
                          static_cast<double>(s.timeMs - r.lastSeenMs) / 1000.0);
            seen = text;
        }
        std::printf("0x%04x  %9.1f  %8.1f  %9llu  %9llu  %3llu  %-9s  %s\n", r.pid,
                    r.packetsPerSecond, r.bitsPerSecond / 1000.0,
                    static_cast<unsigned long long>(r.packets),
                    static_cast<unsigned long long>(r.ccErrors),
                    static_cast<unsigned long long>(r.transportErrors), r.scrambled ? "yes" : "no",
                    seen.c_str());
    }
    std::printf("datagrams/s %.1f  datagrams %llu  malformed %llu\n", s.datagramsPerSecond,
                static_cast<unsigned long long>(s.datagrams),
                static_cast<unsigned long long>(s.malformedDatagrams));
}

int StatsOnCard(const StreamArgs& args, CCardSession& session) {
    TuneTarget target{args.satellite, args.transponder, {}};
    CChannelDatabase().ReadTransponder(args.satellite, args.transponder, target.tp);
    if (!TuneAndWait(session, target, kLockWaitMs).tune.locked) {
        std::fprintf(stderr, "not locked\n");
        return 1;
    }
    CPidFilter& filter = session.PidFilter();
    if (args.pids) {
        // The user's list leaves out PID 0; the PAT has its own slot.
        filter.SetUserPids(*args.pids);
        if (std::find(args.pids->begin(), args.pids->end(), 0) != args.pids->end())
            filter.SetPatPid();
    } else if (PidsInUse(filter.Table()).empty()) {
        // Nothing in the filter: the PAT, which every stream carries.
        filter.SetPatPid();
    }
    CStreamHealth health(RealClock());
    health.statistics.Watch(PidsInUse(filter.Table()));
    std::string error;
    if (!health.reader.Start(StreamPort(), error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    CatchInterrupts();
    const int seconds = args.seconds.value_or(kDefaultSeconds);
    for (int i = 0; i < seconds && !Interrupted(); ++i) {
        SleepASecond();
        PrintSnapshot(health.statistics.Snapshot(RealClock().NowMs()));
        const std::string warning = NoDataLine(health.watchdog, session);
        if (!warning.empty()) std::printf("%s\n", warning.c_str());
        std::fflush(stdout);
    }
    return session.Locked() ? 0 : 1;
}

}  // namespace

int RunStats(const std::vector<std::string>& args) {
    StreamArgs stats;
    if (!ParseStreamArgs(args, {.pids = true}, stats)) {
        std::fprintf(stderr,
                     "usage: orbixctl stats SATELLITE TRANSPONDER [--seconds N] [--pids LIST]\n");
        return 2;
    }
    if (!TransponderExists(CChannelDatabase(), stats.satellite, stats.transponder)) return 2;
    return RunWithCard(
        {}, [&](CCardSession& session, INotices&) { return StatsOnCard(stats, session); });
}

}  // namespace orbix::ctl
