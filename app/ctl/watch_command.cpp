// orbixctl watch: the dish-aiming meter on the command line.
#include <cstdio>
#include <string>

#include "app/ctl/commands.h"
#include "app/ctl/stream_args.h"
#include "app/ctl/with_card.h"
#include "platform/clock.h"

namespace orbix::ctl {
namespace {

constexpr int kLineMs = 100;
constexpr int kBarWidth = 20;

std::string Bar(int percent) {
    const int filled = std::clamp(percent, 0, 100) * kBarWidth / 100;
    return std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(kBarWidth - filled), '.');
}

// One meter line: both bars with their values, the peak hold and the lock.
void PrintLine(const SignalSample& s, const CSignalHistory::Peak& peak, bool bell) {
    std::printf("%slevel [%s] %3d %%  quality [%s] %3d %%  peak %d/%d  %s\n", bell ? "\a" : "",
                Bar(s.level).c_str(), s.level, Bar(s.quality).c_str(), s.quality, peak.level,
                peak.quality, s.locked ? "locked" : "not locked");
    std::fflush(stdout);
}

int WatchOnCard(const StreamArgs& args, CCardSession& session) {
    TuneTarget target{args.satellite, args.transponder, {}};
    CChannelDatabase().ReadTransponder(args.satellite, args.transponder, target.tp);
    session.RequestTune(target);
    CSignalHistory& history = session.SignalHistory();
    // The peak of this aiming session, not of whatever came before the tune.
    history.ResetPeak();
    CatchInterrupts();
    CSignalHistory::Peak shown;
    SignalSample last;
    const long lines = args.seconds ? *args.seconds * 1000L / kLineMs : -1;
    for (long i = 0; (lines < 0 || i < lines) && !Interrupted(); ++i) {
        RealClock().SleepMs(kLineMs);
        if (!history.Latest(last)) continue;
        const CSignalHistory::Peak peak = history.PeakHold();
        const bool rose = peak.level > shown.level || peak.quality > shown.quality;
        shown = peak;
        PrintLine(last, peak, args.bell && rose);
    }
    return session.Locked() ? 0 : 1;
}

}  // namespace

int RunWatch(const std::vector<std::string>& args) {
    StreamArgs watch;
    if (!ParseStreamArgs(args, {.bell = true}, watch)) {
        std::fprintf(stderr,
                     "usage: orbixctl watch SATELLITE TRANSPONDER [--seconds N] [--bell]\n");
        return 2;
    }
    if (!TransponderExists(CChannelDatabase(), watch.satellite, watch.transponder)) return 2;
    return RunWithCard(
        {}, [&](CCardSession& session, INotices&) { return WatchOnCard(watch, session); });
}

}  // namespace orbix::ctl
