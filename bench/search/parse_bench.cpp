// ParsePat and ParsePmt over packets as the card delivers them; the figure
// is bytes of packets per second.
#include <benchmark/benchmark.h>

#include <vector>

#include "search/psi.h"
#include "sim/ts_mux.h"

namespace {

namespace sim = orbix::sim;

using Bytes = std::vector<std::uint8_t>;

// A datagram of seven PAT packets of a 10-program multiplex.
void BM_ParsePat(benchmark::State& state) {
    const auto mux = sim::MakeMux(8, 2, 0, false);
    const auto pat = sim::PacketizeSection(0, sim::BuildPatSection(mux))[0];
    const Bytes datagram = sim::JoinPackets(std::vector<sim::TsPacket>(7, pat));
    orbix::PatTable table;
    for (auto _ : state) {
        benchmark::DoNotOptimize(orbix::ParsePat(datagram, 7, table));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * datagram.size()));
}
BENCHMARK(BM_ParsePat);

// The search's PMT buffer: 6 datagrams of the PMTs of 10 programs; every
// PMT parsed from it in turn.
void BM_ParsePmt(benchmark::State& state) {
    const auto mux = sim::MakeMux(8, 2, 1, false);
    std::vector<sim::TsPacket> packets;
    while (packets.size() < 42) {
        for (const auto& p : mux.programs) {
            for (const auto& packet : sim::PacketizeSection(p.pmtPid, sim::BuildPmtSection(p)))
                packets.push_back(packet);
        }
    }
    packets.resize(42);
    const Bytes buffer = sim::JoinPackets(packets);
    // What each parse walks: the packets up to and including its PMT's.
    std::vector<std::int64_t> walked;
    for (const auto& p : mux.programs) {
        std::size_t i = 0;
        while (i < packets.size() && !(((packets[i][1] & 0x1F) << 8 | packets[i][2]) == p.pmtPid))
            ++i;
        walked.push_back(static_cast<std::int64_t>((i + 1) * 188));
    }
    orbix::PmtTable table;
    std::size_t next = 0;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const auto& p = mux.programs[next];
        bytes += walked[next];
        next = (next + 1) % mux.programs.size();
        benchmark::DoNotOptimize(orbix::ParsePmt(buffer, 42, table, p.pmtPid));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ParsePmt);

// One PMT packet parsed on its own, as the search does after assembly.
void BM_ParsePmtSinglePacket(benchmark::State& state) {
    const auto mux = sim::MakeMux(1, 0, 1, false);
    const Bytes packet = sim::JoinPackets(
        sim::PacketizeSection(mux.programs[0].pmtPid, sim::BuildPmtSection(mux.programs[0])));
    orbix::PmtTable table;
    for (auto _ : state) {
        benchmark::DoNotOptimize(orbix::ParsePmt(packet, 1, table, mux.programs[0].pmtPid));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * packet.size()));
}
BENCHMARK(BM_ParsePmtSinglePacket);

}  // namespace

BENCHMARK_MAIN();
