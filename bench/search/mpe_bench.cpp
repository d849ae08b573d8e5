// One second of 40 Mbit/s of MPE (the simulated sky's mix of short and long
// sections) through the decapsulator into a TUN interface. Run as root it
// makes a network namespace and an interface of its own; elsewhere it
// writes into /dev/null and says so. Figures: core_share is the share of
// one core the second of traffic costs (target at most 0.10), lost the
// datagrams that did not reach the interface (target 0).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/tun_device.h"
#include "search/mpe_decap.h"
#include "sim/mpe_source.h"

namespace {

namespace sim = orbix::sim;
constexpr std::uint16_t kPid = 0x500;
constexpr std::int64_t kBitRate = 40'000'000;

class CNullOutput final : public orbix::IDatagramOutput {
  public:
    bool Write(std::span<const std::uint8_t> d) override {
        return ::write(m_fd, d.data(), d.size()) == static_cast<ssize_t>(d.size());
    }
    ~CNullOutput() override { ::close(m_fd); }

  private:
    int m_fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
};

std::unique_ptr<orbix::IDatagramOutput> MakeOutput(bool& intoTun) {
    intoTun = false;
    if (unshare(CLONE_NEWNET) == 0 &&
        std::system("ip link set lo up && ip tuntap add dev orbixb0 mode tun && "
                    "ip addr add 10.77.0.1/24 dev orbixb0 && ip link set orbixb0 up") == 0) {
        std::string error;
        if (auto tun = orbix::CTunDevice::Open("orbixb0", error)) {
            intoTun = true;
            return tun;
        }
        std::fprintf(stderr, "mpe_bench: %s\n", error.c_str());
    }
    std::fprintf(stderr, "mpe_bench: no TUN interface here (needs root); writing to /dev/null\n");
    return std::make_unique<CNullOutput>();
}

void BM_MpeIntoTun(benchmark::State& state) {
    sim::CMpeTraffic traffic;
    sim::CSectionPacker packer(kPid);
    std::vector<sim::TsPacket> packets;
    const std::size_t perSecond = kBitRate / 8 / 188;
    while (packets.size() < perSecond) packer.Pack(traffic.NextBatch(), packets);
    const std::uint64_t sent = traffic.NextSeq();
    static bool intoTun = false;
    static const auto output = MakeOutput(intoTun);
    std::uint64_t lost = 0, seconds = 0;
    double busy = 0;
    for (auto _ : state) {
        std::uint64_t written = 0;
        orbix::CMpeDecapsulator decap(
            [&](std::span<const std::uint8_t> d) { written += output->Write(d); });
        decap.SetPids(std::span(&kPid, 1));
        const auto start = std::chrono::steady_clock::now();
        for (const auto& p : packets) decap.Feed(p.data());
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        busy += took.count();
        lost += sent - written;
        ++seconds;
    }
    state.counters["lost"] = static_cast<double>(lost);
    state.counters["datagrams_per_s"] = static_cast<double>(sent);
    state.counters["into_tun"] = intoTun ? 1 : 0;
    // Each iteration is one second of traffic.
    state.counters["core_share"] = seconds == 0 ? 0 : busy / static_cast<double>(seconds);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * packets.size() * 188));
}
BENCHMARK(BM_MpeIntoTun)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
