#include <cstdio>
#include <optional>

#include "app/ctl/commands.h"
#include "app/ctl/with_card.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "search/network_scan.h"
#include "search/program_search.h"
#include "search/service_names.h"
#include "ui/console_language.h"
#include "ui/sattree/sat_tree_texts.h"

namespace orbix::ctl {
namespace {

// How long the scan waits for the worker to report lock.
constexpr std::int64_t kLockWaitMs = 10'000;

struct ScanArgs {
    std::string satellite;    // GBK
    std::string transponder;  // GBK
    // Chosen on the command line; otherwise the database's setting counts.
    std::optional<ServiceNameOptions> names;
};

// SATELLITE TRANSPONDER [--names sdt|pat] [--charset iso6937|gbk]
bool ParseScanArgs(const std::vector<std::string>& args, ScanArgs& out) {
    std::vector<std::string> names;
    std::optional<bool> sdt;
    std::optional<NoSelectorCharset> charset;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--names" && hasValue && (args[i + 1] == "sdt" || args[i + 1] == "pat")) {
            sdt = args[++i] == "sdt";
        } else if (a == "--charset" && hasValue &&
                   (args[i + 1] == "iso6937" || args[i + 1] == "gbk")) {
            charset = args[++i] == "gbk" ? NoSelectorCharset::Gb18030 : NoSelectorCharset::Iso6937;
        } else if (!KeepOperand(a, names)) {
            return false;
        }
    }
    if (!TakeTransponder(names, out.satellite, out.transponder)) return false;
    if (sdt || charset) {
        ServiceNameOptions options = ReadServiceNameOptions(CChannelDatabase::kDefaultPath);
        if (sdt) options.enabled = *sdt;
        if (charset) options.noSelector = *charset;
        out.names = options;
    }
    return true;
}

void PrintPrograms(const CChannelDatabase& database) {
    const int count = database.CountPrograms();
    std::printf("%d %s\n", count, count == 1 ? "program" : "programs");
    std::printf("key\tname\ttype\tPMT\tvideo\taudio 1\taudio 2\tPCR\n");
    for (int i = 1; i <= count; ++i) {
        const std::string key = CChannelDatabase::MakeProgramKey(i);
        ProgramEntry p;
        if (!database.ReadProgram(key, p)) continue;
        std::printf("%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", Utf8(key).c_str(), Utf8(p.name).c_str(),
                    TrPrintable(p.type).c_str(), p.pmtPid.c_str(), p.videoPid.c_str(),
                    p.audioPid1.c_str(), p.audioPid2.c_str(), p.pcrPid.c_str());
    }
}

// Tunes the stored transponder and waits for its lock; tells the user and
// answers false when it does not come.
bool LockForSearch(CCardSession& session, CChannelDatabase& database, const std::string& satellite,
                   const std::string& transponder, INotices& notices) {
    TuneTarget target{satellite, transponder, {}};
    database.ReadTransponder(satellite, transponder, target.tp);
    if (TuneAndWait(session, target, kLockWaitMs).tune.locked) return true;
    notices.Tell(sattree_texts::LockFirst(transponder));
    return false;
}

// Locks, searches and prints; the exit code of the command.
int ScanOnCard(const ScanArgs& args, CCardSession& session, INotices& notices) {
    CChannelDatabase database;
    if (!LockForSearch(session, database, args.satellite, args.transponder, notices)) return 1;
    // The stored programs stay until the new list replaces them whole.
    CStatusOnlyView view;
    ProgramSearchState state(notices);
    CRealClock clock;
    CProgramSearch search(state, SearchServices{session.PidFilter(), database, view, view, clock});
    search.SetLockState([&session] { return session.Locked(); });
    search.SetServiceNameOptions(args.names);
    const bool found = search.RunNow();
    std::fprintf(found ? stdout : stderr, "%s\n", TrPrintable(view.status).c_str());
    if (found) PrintPrograms(database);
    return found ? 0 : 1;
}

}  // namespace

int RunScan(const std::vector<std::string>& args) {
    ScanArgs scan;
    if (!ParseScanArgs(args, scan)) {
        std::fprintf(stderr,
                     "usage: orbixctl scan SATELLITE TRANSPONDER [--names sdt|pat] "
                     "[--charset iso6937|gbk]\n");
        return 2;
    }
    if (!TransponderExists(CChannelDatabase(), scan.satellite, scan.transponder)) return 2;
    return RunWithCard({}, [&](CCardSession& session, INotices& notices) {
        return ScanOnCard(scan, session, notices);
    });
}

int RunScanNetwork(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: orbixctl scan-network SATELLITE TRANSPONDER\n");
        return 2;
    }
    const std::string satellite = Gbk(args[0]), transponder = Gbk(args[1]);
    if (!TransponderExists(CChannelDatabase(), satellite, transponder)) return 2;
    return RunWithCard({}, [&](CCardSession& session, INotices& notices) {
        CChannelDatabase database;
        if (!LockForSearch(session, database, satellite, transponder, notices)) return 1;
        CUdpReceiver receiver(notices);
        CStopSignal stop;
        CRealClock clock;
        const NetworkScanResult result =
            RunNetworkScan({receiver, StreamPort(), session.PidFilter(), database, clock, stop,
                            satellite, transponder});
        std::fprintf(result.ok ? stdout : stderr, "%s\n", TrPrintable(result.messageGbk).c_str());
        return result.ok ? 0 : 1;
    });
}

}  // namespace orbix::ctl
