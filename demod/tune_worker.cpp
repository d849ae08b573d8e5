#include "demod/tune_worker.h"

#include <cmath>

#include "card/pid_filter.h"
#include "db/record_text.h"
#include "platform/text.h"
#include "search/psi.h"

namespace orbix {
namespace {

// The largest tuner frequency the synthesizer's divider reaches, 100 kHz.
constexpr double kMaxTunerFrequency = 163839;
constexpr int kMaxUserPids = 32;
constexpr int kMaxPid = 0x1FFF;

bool IsPidText(std::string_view text) {
    if (text.empty() || text.size() > 4) return false;
    for (char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) return false;
    }
    return HexToInt(text) <= kMaxPid;
}

}  // namespace

TuneSettings SettingsFor(const TransponderParams& tp) {
    static const std::string kHorizontal = Gbk("水平");
    static const std::string kVertical = Gbk("垂直");
    static const std::string kOff = Gbk("关");
    TuneSettings s;
    s.lnbSelect = tp.polarisation == kHorizontal ? 3 : tp.polarisation == kVertical ? 2 : 0;
    s.toneOn = tp.tone22k != kOff;
    s.lo = LeadingInteger(tp.lnbFrequency);
    // A record far outside the tuner's range (or not a number at all) still
    // gives a frequency the tuner can be set to; it simply finds nothing.
    const double f = std::abs(static_cast<double>(tp.frequency) - s.lo) * 10.0;
    s.tunerFrequency =
        std::isfinite(f) ? static_cast<std::int32_t>(std::min(f, kMaxTunerFrequency)) : 0;
    return s;
}

double CorrectedFrequency(double requested, std::int32_t lo, std::int32_t foundFrequency) {
    const double g = foundFrequency * 0.1;
    const double c1 = lo + g;
    const double c2 = std::abs(g - lo);
    return std::abs(c1 - requested) < std::abs(c2 - requested) ? c1 : c2;
}

std::vector<std::uint16_t> ParseActivePids(int count, const std::string& list) {
    std::vector<std::uint16_t> pids;
    std::string_view rest = list;
    for (int i = 0; i < count && static_cast<int>(pids.size()) < kMaxUserPids; ++i) {
        const auto bar = rest.find('|');
        if (bar == std::string_view::npos) break;
        const std::string_view text = rest.substr(0, bar);
        rest = rest.substr(bar + 1);
        if (IsPidText(text)) pids.push_back(static_cast<std::uint16_t>(HexToInt(text)));
    }
    return pids;
}

CTuneWorker::CTuneWorker(CDemod& demod, CPidFilter& pids, CTuneSharedState& state, IClock& clock,
                         std::string databasePath)
    : m_demod(demod),
      m_pids(pids),
      m_state(state),
      m_clock(clock),
      m_database(std::move(databasePath)) {}

CTuneWorker::~CTuneWorker() { Stop(); }

void CTuneWorker::Start() {
    if (m_thread.joinable()) return;
    m_stop.Reset();
    m_demod.SetStopSignal(&m_stop);
    m_thread = std::thread([this] { Run(); });
}

void CTuneWorker::Stop() {
    if (!m_thread.joinable()) return;
    m_stop.Request();
    m_state.WakeSignal().Request();
    m_thread.join();
    m_demod.SetStopSignal(nullptr);
}

void CTuneWorker::Run() {
    while (!m_stop.Requested()) {
        if (Pass()) Pause();
    }
}

void CTuneWorker::Pause() {
    CStopSignal& wake = m_state.WakeSignal();
    m_clock.SleepUnlessStopped(kPauseMs, wake);
    // Cleared only after the pause: a request raised from now on is seen by
    // the flag check of the next pass.
    if (!m_stop.Requested()) wake.Reset();
}

bool CTuneWorker::Pass() {
    const int locked = m_demod.IsLocked();
    m_state.m_locked.store(locked);
    if (m_state.m_tuneRequest.load() == 0 && locked == 1) return true;
    if (!TuneCurrent()) return false;
    RestorePids();
    return true;
}

bool CTuneWorker::TuneCurrent() {
    m_state.m_tuneRequest.store(0);
    m_state.m_locked.store(0);
    ++m_tunes;
    const TuneTarget target = m_state.Current();
    TransponderParams tp = target.tp;
    m_database.ReadTransponder(target.satellite, target.transponder, tp);
    // Stored only while the names are still the ones read: a newer choice
    // keeps its own record.
    m_state.Modify([&](TuneTarget& t) {
        if (t.satellite != target.satellite || t.transponder != target.transponder) return false;
        t.tp = tp;
        return true;
    });
    const std::string name0 = tp.name;
    const TuneSettings s = SettingsFor(tp);
    m_demod.SetLnbSelect(s.lnbSelect);
    m_demod.SetToneWanted(s.toneOn);
    m_state.m_locked.store(m_demod.TuneTransponder(tp.symbolRate, s.tunerFrequency));
    m_state.m_locked.store(m_demod.IsLocked());
    if (m_state.m_locked.load() == 0 || m_stop.Requested()) return true;
    tp.frequency =
        static_cast<float>(CorrectedFrequency(tp.frequency, s.lo, m_demod.FoundFrequency()));
    const int n = m_database.FindTransponderIndex(tp.satellite, tp.name);
    if (n < 0) return true;
    const bool same = m_state.Modify([&](TuneTarget& t) {
        if (t.tp.name != name0) return false;
        t.tp.frequency = tp.frequency;
        return true;
    });
    if (!same) return false;
    m_database.WriteTransponderRecord(tp.satellite, n, CChannelDatabase::BuildTuneRecord(tp));
    return true;
}

void CTuneWorker::RestorePids() {
    if (m_state.m_restorePids.exchange(0) == 0) return;
    const PidLists lists = m_database.ReadPidLists();
    const std::vector<std::uint16_t> pids = ParseActivePids(lists.activeCount, lists.active);
    m_pids.SetUserPids(pids);
}

}  // namespace orbix
