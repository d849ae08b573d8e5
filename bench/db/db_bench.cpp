// Channel database speed on a list of 30 satellites with 80 transponders
// each: the lookup of the last transponder, the full tree walk of the
// satellite window, and one key write with its flush to disk.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "db/channel_database.h"

namespace orbix {
namespace {

constexpr int kSatellites = 30;
constexpr int kTransponders = 80;

std::string SatelliteName(int k) { return "Satellite" + std::to_string(k); }
std::string TransponderName(int j) { return "TP" + std::to_string(10000 + j); }

// The database file, built once in a fresh temporary directory.
class CBenchDatabase {
  public:
    static CBenchDatabase& Instance() {
        static CBenchDatabase instance;
        return instance;
    }
    CChannelDatabase& Db() { return m_db; }
    const std::string& Path() const { return m_path; }

  private:
    CBenchDatabase() : m_path(MakePath()), m_db(m_path) {
        const TransponderParams model{"", "", 0, 27500, "H", "10600", "3/4", "off", "Ku", "on"};
        CProfileFile(m_path).Transact([&model](IProfile& p) {
            p.WriteString("Main", "NUM", std::to_string(kSatellites));
            for (int k = 1; k <= kSatellites; ++k) {
                std::string sat = SatelliteName(k);
                p.WriteString("Main", CChannelDatabase::MakeKey(k, "SAT"), sat);
                p.WriteString(sat, "NUMTP", std::to_string(kTransponders));
                for (int j = 1; j <= kTransponders; ++j) {
                    TransponderParams tp = model;
                    tp.name = TransponderName(j);
                    tp.frequency = 11000.0f + static_cast<float>(j) * 10.5f;
                    p.WriteString(sat, CChannelDatabase::MakeKey(j, "TP"),
                                  CChannelDatabase::BuildAddRecord(tp));
                }
            }
        });
        // A file changed within the last moments is parsed afresh on every
        // read; give it time to settle so the steady state is measured.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ~CBenchDatabase() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(m_path).parent_path(), ignored);
    }

    static std::string MakePath() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orbixdb_bench.XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern + "/SATSETUPL.ini";
    }

    std::string m_path;
    CChannelDatabase m_db;
};

void BM_FindLastTransponder(benchmark::State& state) {
    CChannelDatabase& db = CBenchDatabase::Instance().Db();
    const std::string sat = SatelliteName(kSatellites);
    const std::string tp = TransponderName(kTransponders);
    for (auto _ : state) {
        int k = db.FindTransponderIndex(sat, tp);
        if (k != kTransponders) state.SkipWithError("wrong index");
        benchmark::DoNotOptimize(k);
    }
}
BENCHMARK(BM_FindLastTransponder)->Unit(benchmark::kMicrosecond);

int WalkTree(CChannelDatabase& db) {
    int items = 0;
    int n = db.CountSatellites();
    for (int k = 1; k <= n; ++k) {
        std::string sat = db.GetSatelliteName(k);
        int m = db.CountTransponders(sat);
        for (int j = 1; j <= m; ++j) {
            std::string name;
            if (db.GetTransponderName(sat, j, name) > 0) ++items;
        }
    }
    return items;
}

void BM_TreeWalk(benchmark::State& state) {
    CChannelDatabase& db = CBenchDatabase::Instance().Db();
    for (auto _ : state) {
        if (WalkTree(db) != kSatellites * kTransponders) state.SkipWithError("wrong item count");
    }
}
BENCHMARK(BM_TreeWalk)->Unit(benchmark::kMillisecond);

// One key write: lock, read, temporary file, flush to disk, rename.
void BM_WriteKeyWithFlush(benchmark::State& state) {
    CChannelDatabase& db = CBenchDatabase::Instance().Db();
    const std::string sat = SatelliteName(kSatellites / 2);
    TransponderParams tp;
    db.ReadTransponder(sat, TransponderName(1), tp);
    int n = 0;
    for (auto _ : state) {
        tp.symbolRate = 27500 + (n++ % 2);
        if (!db.WriteTransponderRecord(sat, 1, CChannelDatabase::BuildTuneRecord(tp))) {
            state.SkipWithError("write failed");
        }
    }
}
BENCHMARK(BM_WriteKeyWithFlush)->Unit(benchmark::kMillisecond);

// The first lookup after a change, before the file has settled: the file is
// parsed again for it.
void BM_FindLastTransponderJustAfterAWrite(benchmark::State& state) {
    CChannelDatabase& db = CBenchDatabase::Instance().Db();
    const std::string sat = SatelliteName(kSatellites);
    const std::string tp = TransponderName(kTransponders);
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        db.WriteProgramCount(n++ % 2);
        state.ResumeTiming();
        benchmark::DoNotOptimize(db.FindTransponderIndex(sat, tp));
    }
}
BENCHMARK(BM_FindLastTransponderJustAfterAWrite)->Unit(benchmark::kMicrosecond);

// The tree walk started right after a change: the file is read and compared
// on every lookup until its times have settled.
void BM_TreeWalkJustAfterAWrite(benchmark::State& state) {
    CChannelDatabase& db = CBenchDatabase::Instance().Db();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        db.WriteProgramCount(n++ % 2);
        state.ResumeTiming();
        if (WalkTree(db) != kSatellites * kTransponders) state.SkipWithError("wrong item count");
    }
}
BENCHMARK(BM_TreeWalkJustAfterAWrite)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orbix

BENCHMARK_MAIN();
