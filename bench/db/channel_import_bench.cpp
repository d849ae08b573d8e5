// Import of the largest DVB-S scan table into an empty channel database:
// read, parse, map and one checked write of the file (target: at most 50 ms).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db/channel_import.h"

namespace orbix {
namespace {

namespace fs = std::filesystem;

// Distinct transponders of a table: those the merge would store.
int Distinct(const ChannelFileContent& c) {
    std::vector<TransponderParams> kept;
    for (const TuningEntry& e : c.dvbs) {
        const TransponderParams tp = MapTransponder("S", e, LnbChoice{});
        bool seen = false;
        for (const TransponderParams& k : kept) seen = seen || IsSameTransponder(k, tp);
        if (!seen) kept.push_back(tp);
    }
    return static_cast<int>(kept.size());
}

// The scan table with the most distinct DVB-S transponders.
std::string LargestTable() {
    std::string best;
    int most = -1;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator("/usr/share/dvb/dvb-s", ignored)) {
        const ChannelFileContent c = ReadChannelFile(entry.path().string());
        if (c.ok && Distinct(c) > most) {
            most = Distinct(c);
            best = entry.path().string();
        }
    }
    return best;
}

void BM_ImportLargestScanTable(benchmark::State& state) {
    const std::string table = LargestTable();
    if (table.empty()) {
        state.SkipWithError("no scan tables in /usr/share/dvb/dvb-s");
        return;
    }
    std::string dir = (fs::temp_directory_path() / "orbixrx-bench-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const std::string path = dir + "/SATSETUPL.ini";
    int added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(path);
        state.ResumeTiming();
        CChannelDatabase db(path);
        added = ImportChannelFile(db, table, {}, LnbChoice{}).merge.added;
    }
    state.counters["transponders"] = added;
    state.SetLabel(fs::path(table).filename().string());
    fs::remove_all(dir);
}
BENCHMARK(BM_ImportLargestScanTable)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orbix

BENCHMARK_MAIN();
