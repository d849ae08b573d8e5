#include <csignal>
#include <cstdio>

#include "app/card_backend.h"
#include "app/card_bringup.h"
#include "app/ctl/commands.h"
#include "app/startup.h"
#include "db/channel_database.h"
#include "db/record_text.h"
#include "demod/demod.h"
#include "demod/tune_worker.h"
#include "platform/clock.h"
#include "platform/notices.h"
#include "platform/text.h"

namespace orbix::ctl {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) { g_interrupted = 1; }

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
        } else {
            names.push_back(a);
        }
    }
    if (names.size() != 2) return false;
    out.satellite = Gbk(names[0]);
    out.transponder = Gbk(names[1]);
    return true;
}

void PrintState(CTuneSharedState& state, CDemod& demod) {
    int level = 0;
    int quality = 0;
    demod.GetSignalInfo(level, quality);
    const bool locked = state.m_locked.load() != 0;
    const std::string frequency =
        locked ? FormatOneDecimal(state.Current().tp.frequency) + " MHz" : "-";
    std::printf("%s  frequency %s  level %d %%  quality %d %%\n", locked ? "locked" : "not locked",
                frequency.c_str(), level, quality);
    std::fflush(stdout);
}

// Tunes as the worker does and reports; the exit code of the command.
int TuneOnCard(const TuneArgs& args, CCardAccess& access, CPidFilter& pidFilter,
               CConsoleNotices& notices) {
    CChannelDatabase database;
    TuneTarget target{args.satellite, args.transponder, {}};
    if (database.FindTransponderIndex(args.satellite, args.transponder) < 0) {
        std::fprintf(stderr, "no transponder \"%s\" of satellite \"%s\" in %s\n",
                     Utf8(args.transponder).c_str(), Utf8(args.satellite).c_str(),
                     database.Path().c_str());
        return 2;
    }
    database.ReadTransponder(args.satellite, args.transponder, target.tp);
    CDemod demod;
    demod.SetCardAccess(&access);
    demod.Init(true);
    if (!demod.CheckId()) {
        notices.Tell(Gbk("初始化高频头失败!"));
        demod.SetCardAccess(nullptr);
        return 1;
    }
    CTuneSharedState state;
    state.RequestTune(target);
    CTuneWorker worker(demod, pidFilter, state, RealClock());
    if (args.once) {
        worker.Pass();
        PrintState(state, demod);
        return state.m_locked.load() != 0 ? 0 : 1;
    }
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    worker.Start();
    while (g_interrupted == 0) {
        for (int i = 0; i < 10 && g_interrupted == 0; ++i) RealClock().SleepMs(100);
        if (g_interrupted == 0) PrintState(state, demod);
    }
    worker.Stop();
    return 0;
}

}  // namespace

int RunTune(const std::vector<std::string>& args) {
    TuneArgs tune;
    if (!ParseArgs(args, tune)) {
        std::fprintf(stderr, "usage: orbixctl tune SATELLITE TRANSPONDER [--once]\n");
        return 2;
    }
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
        BringUpContext context{*backend.ports, RealClock(),   notices, pidFilter,
                               ioBase,         "./conwh.ocx", {}};
        if (BringUpCard(context, card)) result = TuneOnCard(tune, *card.access, pidFilter, notices);
        // The filter must not outlive its card.
        pidFilter.SetCardAccess(nullptr);
    });
    return outcome == StartUpOutcome::Ran ? result : 1;
}

}  // namespace orbix::ctl
