// Timed scenarios on the simulated card, printing their figures:
//   search [RUNS]     a search of a 10-program transponder with PSI every
//                     100 ms, RUNS times (default 9), numbered and then named
//                     from the SDT; the median times
//   stream [SECONDS]  the stream output at 45 Mbit/s to a receiving socket
//                     for SECONDS (default 30); datagrams sent, received, lost
//   stats [SECONDS]   the same stream read by the statistics' own reader,
//                     with a snapshot a second as the window takes; datagrams
//                     lost and the process's CPU beside a bare counting socket
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "card/card_access.h"
#include "platform/text.h"
#include "search/pid_stats.h"
#include "search/program_search.h"
#include "search/stream_reader.h"
#include "sim/sim_card.h"
#include "sim/stream_output.h"

namespace {

using Clock = std::chrono::steady_clock;

int Search(int runs) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("orbixrx-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const auto image = orbix::sim::CCardLogicModel::MakeValidImage();
    std::ofstream(dir / "conwh.ocx", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));

    orbix::sim::CSimCard card;
    orbix::CVirtualClock busClock;
    orbix::CConsoleNotices notices;
    orbix::CCardAccess access(card, busClock, notices);
    access.SetIoBase(card.IoBase());
    access.SetConfigurationPath((dir / "conwh.ocx").string());
    if (!access.LoadConfiguration()) return 1;
    access.SetLnbSelect(2);
    orbix::CPidFilter filter;
    filter.SetCardAccess(&access);
    orbix::sim::CStreamOutput output(orbix::sim::ViewOfLogic(card.Logic()), [] {
        return std::optional(
            orbix::sim::LockedStream{"news10", "mux:tv=8,radio=2,rate=20000000,psi=100", 0,
                                     orbix::sim::SiContextOf(orbix::sim::DefaultSky(), 0, 4)});
    });
    std::string error;
    if (!output.Start(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    // Let the stream run a moment first, as after a lock.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    orbix::CChannelDatabase db((dir / "SATSETUPL.ini").string());
    orbix::CStatusOnlyView view;
    orbix::ProgramSearchState state(notices);
    orbix::CProgramSearch search(state, {filter, db, view, view, orbix::RealClock()});
    // Numbered as the search always did, then named from the SDT.
    for (const bool names : {false, true}) {
        search.SetServiceNameOptions(orbix::ServiceNameOptions{names, {}});
        std::vector<double> seconds;
        for (int i = 0; i < runs; ++i) {
            db.DeleteAllPrograms();
            const auto start = Clock::now();
            const bool ok = search.RunNow();
            seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
            std::printf("search %d: %.3f s, %s, %d programs\n", i + 1, seconds.back(),
                        ok ? "found" : "failed", db.CountPrograms());
        }
        std::sort(seconds.begin(), seconds.end());
        std::printf("10-program search%s: median %.3f s, min %.3f s, max %.3f s over %d runs\n",
                    names ? " with SDT names" : "", seconds[seconds.size() / 2], seconds.front(),
                    seconds.back(), runs);
    }
    output.Stop();
    filter.SetCardAccess(nullptr);
    fs::remove_all(dir);
    return 0;
}

// Every PID of the multiplex passes; no null packets, so all 45 Mbit/s go
// to the port.
constexpr const char* kFullRateMux = "mux:tv=4,rate=45000000,null=0";

// The PID table that lets every PID of the multiplex through.
std::array<std::uint16_t, 32> PassEveryPid(const std::string& mux) {
    std::string error;
    auto probe = orbix::sim::MakeStreamSource(mux, 0, error);
    const auto& config = dynamic_cast<const orbix::sim::CGeneratedMux&>(*probe).Config();
    std::array<std::uint16_t, 32> table{};
    std::size_t slot = 0;
    table[slot++] = 0x6000;
    for (const auto& p : config.programs) {
        table[slot++] = static_cast<std::uint16_t>(0x6000 | p.pmtPid);
        for (const auto& es : p.streams)
            table[slot++] = static_cast<std::uint16_t>(0x6000 | es.pid);
    }
    return table;
}

// The stream output at the full rate with every PID passing, started; null,
// after saying why, when it cannot start.
std::unique_ptr<orbix::sim::CStreamOutput> StartFullRateOutput() {
    const std::string mux = kFullRateMux;
    const auto table = PassEveryPid(mux);
    auto output = std::make_unique<orbix::sim::CStreamOutput>(
        orbix::sim::CardStreamView{[table] { return table; }, [] { return std::uint8_t{2}; }},
        [mux] {
            return std::optional(orbix::sim::LockedStream{"bench", mux, 0});
        });
    std::string error;
    if (output->Start(error)) return output;
    std::fprintf(stderr, "%s\n", error.c_str());
    return nullptr;
}

double ProcessCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int Stream(int seconds) {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    const int buffer = 4 << 20;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    timeval timeout{0, 200'000};
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(8511);
    if (::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        std::perror("bind 8511");
        return 1;
    }
    std::atomic<bool> done{false};
    std::atomic<std::uint64_t> received{0};
    std::atomic<std::uint64_t> gaps{0};
    std::thread receiver([&] {
        std::array<std::uint8_t, 1316> d;
        std::vector<orbix::CContinuityCheck> counters(8192);
        while (!done.load()) {
            const ssize_t n = ::recv(s, d.data(), d.size(), 0);
            if (n <= 0) continue;
            received.fetch_add(1);
            // Continuity counters show a lost datagram even where counts agree.
            for (std::size_t at = 0; at + 188 <= static_cast<std::size_t>(n); at += 188) {
                orbix::TsHeader h;
                if (!orbix::ReadTsHeader(std::span<const std::uint8_t, 188>(d.data() + at, 188), h))
                    continue;
                if (counters[h.pid].Check(h.hasPayload, h.discontinuity, h.counter))
                    gaps.fetch_add(1);
            }
        }
    });
    const auto started = StartFullRateOutput();
    if (!started) return 1;
    orbix::sim::CStreamOutput& output = *started;
    const double cpuStart = ProcessCpuSeconds();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    output.Stop();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = ProcessCpuSeconds() - cpuStart;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    done = true;
    receiver.join();
    ::close(s);
    const std::uint64_t sent = output.DatagramsSent();
    const std::uint64_t got = received.load();
    std::printf(
        "stream %d s at 45 Mbit/s: sent %llu datagrams (%.2f Mbit/s of packets), received %llu, "
        "lost %lld, send errors %llu, continuity gaps %llu; process CPU %.1f %% of a core\n",
        seconds, static_cast<unsigned long long>(sent),
        static_cast<double>(sent) * 1316 * 8 / elapsed / 1e6, static_cast<unsigned long long>(got),
        static_cast<long long>(sent) - static_cast<long long>(got),
        static_cast<unsigned long long>(output.SendErrors()),
        static_cast<unsigned long long>(gaps.load()), 100.0 * cpu / elapsed);
    return sent == got && gaps.load() == 0 ? 0 : 1;
}

// The statistics' reader on the full-rate stream: what it loses and what it
// costs. The cost is the process's CPU over the run less what the stream
// output and a bare counting socket take in the same time (run "stream"),
// so the two figures are printed side by side.
int Stats(int seconds) {
    orbix::CStreamWatchdog watchdog(orbix::RealClock());
    orbix::CPidStatistics statistics;
    orbix::CStreamReader reader(orbix::RealClock(), watchdog, &statistics);
    std::string error;
    if (!reader.Start(8511, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const auto started = StartFullRateOutput();
    if (!started) return 1;
    orbix::sim::CStreamOutput& output = *started;
    const double cpuStart = ProcessCpuSeconds();
    const auto start = Clock::now();
    std::uint64_t ccErrors = 0;
    for (int i = 0; i < seconds; ++i) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const auto snapshot = statistics.Snapshot(orbix::RealClock().NowMs());
        ccErrors = 0;
        for (const auto& row : snapshot.rows) ccErrors += row.ccErrors;
    }
    output.Stop();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = ProcessCpuSeconds() - cpuStart;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    reader.Stop();
    const std::uint64_t sent = output.DatagramsSent();
    const std::uint64_t got = reader.Datagrams();
    std::printf(
        "stats %d s at 45 Mbit/s: sent %llu datagrams, read %llu, lost %lld, "
        "continuity errors %llu; process CPU %.1f %% of a core (stream output included)\n",
        seconds, static_cast<unsigned long long>(sent), static_cast<unsigned long long>(got),
        static_cast<long long>(sent) - static_cast<long long>(got),
        static_cast<unsigned long long>(ccErrors), 100.0 * cpu / elapsed);
    return sent == got && ccErrors == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    const int n = argc > 2 ? std::atoi(argv[2]) : 0;
    if (what == "search") return Search(n > 0 ? n : 9);
    if (what == "stream") return Stream(n > 0 ? n : 30);
    if (what == "stats") return Stats(n > 0 ? n : 30);
    std::fprintf(stderr,
                 "usage: search_stream_bench search [RUNS] | stream [SECONDS] | stats [SECONDS]\n");
    return 2;
}
