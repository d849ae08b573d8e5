// Timed scenarios of the tune-and-lock worker on the simulated card, with
// real pauses: how long from a tune request to the lock, per transponder of
// the built-in sky, and how much CPU the worker burns while nothing can lock.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "card/card_access.h"
#include "card/pid_filter.h"
#include "db/channel_database.h"
#include "demod/demod.h"
#include "demod/tune_worker.h"
#include "platform/clock.h"
#include "platform/notices.h"
#include "platform/text.h"
#include "sim/front_end.h"
#include "sim/sim_card.h"
#include "sim/sky.h"
#include "tests/support/sky_record.h"

namespace orbix {
namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto secs = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return secs(usage.ru_utime) + secs(usage.ru_stime);
}

// The simulated card brought up far enough to tune, with a channel database
// holding the sky's transponders, and the worker.
class CBench {
  public:
    // The card receives skyOnCard; the database lists the transponders of
    // skyInDatabase.
    CBench(const sim::Sky& skyOnCard, const sim::Sky& skyInDatabase,
           const std::filesystem::path& dir)
        : m_access(m_card, RealClock(), m_notices), m_database((dir / "SATSETUPL.ini").string()) {
        const auto image = sim::CCardLogicModel::MakeValidImage();
        const auto imagePath = dir / "conwh.ocx";
        std::ofstream(imagePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        sim::CSimFrontEnd::Create(skyOnCard)->AttachTo(m_card);
        m_access.SetIoBase(m_card.IoBase());
        m_access.SetConfigurationPath(imagePath.string());
        m_access.LoadConfiguration();
        m_pids.SetCardAccess(&m_access);
        m_demod.SetCardAccess(&m_access);
        m_demod.Init(true);
        for (const auto& sat : skyInDatabase.satellites) {
            for (const auto& tp : sat.transponders) {
                m_database.AddTransponder(RecordFor(sat, tp), [] { return true; });
            }
        }
        m_worker =
            std::make_unique<CTuneWorker>(m_demod, m_pids, m_state, RealClock(), m_database.Path());
    }
    ~CBench() {
        m_worker.reset();
        m_demod.SetCardAccess(nullptr);
        m_pids.SetCardAccess(nullptr);
    }

    CTuneWorker& Worker() { return *m_worker; }
    CTuneSharedState& State() { return m_state; }
    CChannelDatabase& Database() { return m_database; }

    // Time from the request to the worker's lock, in ms; negative when no
    // lock came within 10 s.
    double RequestToLock(const std::string& satellite, const std::string& transponder) {
        TuneTarget t{satellite, transponder, {}};
        m_database.ReadTransponder(satellite, transponder, t.tp);
        const auto start = Clock::now();
        m_state.RequestTune(t);
        while (!m_state.Locked() || m_state.TuneRequested()) {
            if (Clock::now() - start > std::chrono::seconds(10)) return -1;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return Ms(Clock::now() - start);
    }

  private:
    sim::CSimCard m_card;
    CRecordingNotices m_notices;
    CCardAccess m_access;
    CPidFilter m_pids;
    CDemod m_demod;
    CChannelDatabase m_database;
    CTuneSharedState m_state;
    std::unique_ptr<CTuneWorker> m_worker;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void LockLatency(const std::filesystem::path& dir) {
    constexpr int kRounds = 9;
    const sim::Sky sky = sim::DefaultSky();
    CBench bench(sky, sky, dir);
    bench.Worker().Start();
    std::printf("request -> lock, real pauses, %d rounds each (median / min / max ms):\n", kRounds);
    std::vector<double> all;
    for (const auto& sat : sky.satellites) {
        for (const auto& tp : sat.transponders) {
            std::vector<double> times;
            for (int i = 0; i < kRounds; ++i) {
                // Requests land at any point of the worker's pause.
                std::this_thread::sleep_for(std::chrono::milliseconds(37 * i % 450));
                times.push_back(bench.RequestToLock(sat.name, tp.name));
            }
            const auto [lo, hi] = std::minmax_element(times.begin(), times.end());
            std::printf("  %-8s %-7s %6d kS/s  %7.1f / %7.1f / %7.1f\n", sat.name.c_str(),
                        tp.name.c_str(), tp.symbolRateKs, Median(times), *lo, *hi);
            all.insert(all.end(), times.begin(), times.end());
        }
    }
    std::printf("  all transponders: median %.1f ms (target <= 600 ms)\n", Median(all));
    bench.Worker().Stop();
}

void IdleCpu(const std::filesystem::path& dir) {
    constexpr int kSeconds = 10;
    // A record whose carrier is nowhere in the sky: the worker re-tunes for
    // ever.
    sim::Sky nothing;
    nothing.satellites.push_back({"Nothing", sim::LnbKind::UniversalKu, {}});
    CBench empty(nothing, sim::DefaultSky(), dir);
    TuneTarget t{"Sat-Ku", "11052V", {}};
    empty.Database().ReadTransponder(t.satellite, t.transponder, t.tp);
    empty.State().RequestTune(t);
    const double cpu0 = CpuSeconds();
    const auto wall0 = Clock::now();
    empty.Worker().Start();
    std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
    empty.Worker().Stop();
    const double cpu = CpuSeconds() - cpu0;
    const double wall = Ms(Clock::now() - wall0) / 1000.0;
    std::printf(
        "worker with nothing to lock: %llu tunes in %.1f s, CPU %.2f %% of one core "
        "(target <= 5 %%)\n",
        static_cast<unsigned long long>(empty.Worker().Tunes()), wall, 100.0 * cpu / wall);
}

}  // namespace
}  // namespace orbix

int main() {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "orbixrx-bench-XXXXXX").string();
    const fs::path dir = mkdtemp(pattern.data());
    orbix::LockLatency(dir);
    fs::remove(dir / "SATSETUPL.ini");
    orbix::IdleCpu(dir);
    fs::remove_all(dir);
    return 0;
}
