// The simulated card's bouquet40 multiplex at 26 Mbit/s: the share of a core
// that making one second of it takes, with filler bytes and with the media
// cache's pictures and sound. The stream output's other work (the PID table,
// the datagrams) is the same for both.
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdio>

#include "sim/media_mux.h"
#include "sim/ts_mux.h"

namespace {

double ThreadSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_Bouquet40Second(benchmark::State& state) {
    const bool media = state.range(0) != 0;
    std::string error;
    std::shared_ptr<const orbix::sim::CMediaLibrary> library;
    if (media && !(library = orbix::sim::LoadMediaLibrary(error))) {
        state.SkipWithError(error.c_str());
        return;
    }
    auto source = orbix::sim::MakeStreamSource("bouquet40", 0, error, nullptr, library);
    const std::int64_t perSecond = source->BitRate() / (188 * 8);
    orbix::sim::TsPacket packet;
    std::uint64_t nulls = 0;
    const double start = ThreadSeconds();
    for (auto _ : state) {
        for (std::int64_t i = 0; i < perSecond; ++i) {
            source->NextPacket(packet);
            nulls += packet[1] == 0x1F && packet[2] == 0xFF;
        }
        benchmark::DoNotOptimize(packet);
    }
    // One iteration is one second of stream: its CPU time is the share of a core.
    state.counters["core_percent"] =
        100.0 * (ThreadSeconds() - start) / static_cast<double>(state.iterations());
    state.counters["null_percent"] =
        100.0 * static_cast<double>(nulls) / static_cast<double>(perSecond * state.iterations());
}
BENCHMARK(BM_Bouquet40Second)->ArgName("media")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
