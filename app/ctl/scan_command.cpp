#include <cstdio>

#include "app/ctl/card_session.h"
#include "app/ctl/commands.h"
#include "db/channel_database.h"
#include "demod/demod.h"
#include "demod/tune_worker.h"
#include "platform/clock.h"
#include "platform/notices.h"
#include "platform/text.h"
#include "search/program_search.h"

namespace orbix::ctl {
namespace {

// How long the scan waits for the worker to report lock.
constexpr std::int64_t kLockWaitMs = 10'000;

bool WaitForLock(const CTuneSharedState& state) {
    for (std::int64_t waited = 0; waited < kLockWaitMs; waited += 100) {
        if (state.m_locked.load() != 0) return true;
        RealClock().SleepMs(100);
    }
    return state.m_locked.load() != 0;
}

void PrintPrograms(const CChannelDatabase& database) {
    const int count = database.CountPrograms();
    std::printf("%d programs\n", count);
    std::printf("key\tname\ttype\tPMT\tvideo\taudio 1\taudio 2\tPCR\n");
    for (int i = 1; i <= count; ++i) {
        const std::string key = CChannelDatabase::MakeProgramKey(i);
        ProgramEntry p;
        if (!database.ReadProgram(key, p)) continue;
        std::printf("%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", Utf8(key).c_str(), Utf8(p.name).c_str(),
                    Utf8(p.type).c_str(), p.pmtPid.c_str(), p.videoPid.c_str(), p.audioPid1.c_str(),
                    p.audioPid2.c_str(), p.pcrPid.c_str());
    }
}

// Locks, searches and prints; the exit code of the command.
int ScanOnCard(const std::string& satellite, const std::string& transponder, CCardAccess& access,
               CPidFilter& pidFilter, INotices& notices) {
    CChannelDatabase database;
    CDemod demod;
    TuneTarget target;
    if (int failed = PrepareTune(satellite, transponder, database, demod, access, notices, target)) {
        return failed;
    }
    CTuneSharedState state;
    state.RequestTune(target);
    CTuneWorker worker(demod, pidFilter, state, RealClock());
    worker.Start();
    int result = 1;
    if (!WaitForLock(state)) {
        notices.Tell(Gbk("请先锁定") + transponder + Gbk("然后再搜索"));
    } else {
        // A search starts from an empty program list.
        database.DeleteAllPrograms();
        CStatusOnlyView view;
        ProgramSearchState search(notices);
        CProgramSearch programSearch(search, {pidFilter, database, view, view, RealClock()});
        const bool found = programSearch.RunNow();
        std::fprintf(found ? stdout : stderr, "%s\n", Utf8(view.status).c_str());
        if (found) PrintPrograms(database);
        result = found ? 0 : 1;
    }
    worker.Stop();
    demod.SetCardAccess(nullptr);
    return result;
}

}  // namespace

int RunScan(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: orbixctl scan SATELLITE TRANSPONDER\n");
        return 2;
    }
    return RunWithCard({}, [&](CCardAccess& access, CPidFilter& pidFilter, INotices& notices) {
        return ScanOnCard(Gbk(args[0]), Gbk(args[1]), access, pidFilter, notices);
    });
}

}  // namespace orbix::ctl
