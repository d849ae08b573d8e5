// Card access on the simulated card: the configuration load and register
// writes through the access object.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "card/card_access.h"
#include "platform/clock.h"
#include "platform/notices.h"
#include "sim/sim_card.h"

namespace {

struct Card {
    Card() : access(card, clock, notices) {
        path = std::filesystem::temp_directory_path() / "orbixrx-bench-conwh.ocx";
        const auto image = orbix::sim::CCardLogicModel::MakeValidImage();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        access.SetIoBase(card.IoBase());
        access.SetConfigurationPath(path.string());
    }
    ~Card() { std::filesystem::remove(path); }
    std::filesystem::path path;
    orbix::sim::CSimCard card;
    orbix::CVirtualClock clock;
    orbix::CRecordingNotices notices;
    orbix::CCardAccess access;
};

void BM_ConfigurationLoad(benchmark::State& state) {
    Card c;
    for (auto _ : state) {
        if (!c.access.LoadConfiguration() || !c.card.Logic().Loaded())
            state.SkipWithError("load failed");
    }
    state.counters["port_writes"] = 4 + 24 + 3 + 78422.0 * 24 + 100 * 48 + 4 + 48;
}
BENCHMARK(BM_ConfigurationLoad)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

void BM_RegisterWrite(benchmark::State& state) {
    Card c;
    c.access.LoadConfiguration();
    std::uint8_t v = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(c.access.WriteDemodRegister(0x02, v++));
    }
    state.counters["writes_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RegisterWrite)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
