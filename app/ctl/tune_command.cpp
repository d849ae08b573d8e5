#include <csignal>
#include <cstdio>

#include "app/ctl/card_session.h"
#include "app/ctl/commands.h"
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
int TuneOnCard(const TuneArgs& args, CCardAccess& access, CPidFilter& pidFilter, INotices& notices) {
    CChannelDatabase database;
    CDemod demod;
    TuneTarget target;
    if (int failed = PrepareTune(args.satellite, args.transponder, database, demod, access, notices, target)) {
        return failed;
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
    return RunWithCard({}, [&](CCardAccess& access, CPidFilter& pidFilter, INotices& notices) {
        return TuneOnCard(tune, access, pidFilter, notices);
    });
}

}  // namespace orbix::ctl
