#include <cstdio>

#include "app/ctl/commands.h"
#include "app/ctl/with_card.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "search/program_search.h"

namespace orbix::ctl {
namespace {

// How long the scan waits for the worker to report lock.
constexpr std::int64_t kLockWaitMs = 10'000;

void PrintPrograms(const CChannelDatabase& database) {
    const int count = database.CountPrograms();
    std::printf("%d %s\n", count, count == 1 ? "program" : "programs");
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
int ScanOnCard(const std::string& satellite, const std::string& transponder, CCardSession& session,
               INotices& notices) {
    CChannelDatabase database;
    TuneTarget target{satellite, transponder, {}};
    database.ReadTransponder(satellite, transponder, target.tp);
    if (!TuneAndWait(session, target, kLockWaitMs).tune.locked) {
        notices.Tell(Gbk("请先锁定") + transponder + Gbk("然后再搜索"));
        return 1;
    }
    // The stored programs stay until the new list replaces them whole.
    CStatusOnlyView view;
    ProgramSearchState state(notices);
    CRealClock clock;
    CProgramSearch search(state, SearchServices{session.PidFilter(), database, view, view, clock});
    search.SetLockState([&session] { return session.Locked(); });
    const bool found = search.RunNow();
    std::fprintf(found ? stdout : stderr, "%s\n", Utf8(view.status).c_str());
    if (found) PrintPrograms(database);
    return found ? 0 : 1;
}

}  // namespace

int RunScan(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: orbixctl scan SATELLITE TRANSPONDER\n");
        return 2;
    }
    const std::string satellite = Gbk(args[0]), transponder = Gbk(args[1]);
    if (!TransponderExists(CChannelDatabase(), satellite, transponder)) return 2;
    return RunWithCard({}, [&](CCardSession& session, INotices& notices) {
        return ScanOnCard(satellite, transponder, session, notices);
    });
}

}  // namespace orbix::ctl
