#include "demod/tune_worker.h"

#include <cmath>

#include "card/pid_filter.h"
#include "db/pid_list.h"
#include "db/record_text.h"
#include "demod/tune_texts.h"
#include "platform/text.h"

namespace orbix {
namespace {

// The largest tuner frequency the synthesizer's divider reaches, 100 kHz.
constexpr double kMaxTunerFrequency = 163839;

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

double CorrectedFrequencyKhz(double requested, std::int32_t lo, std::int32_t foundKhz) {
    const double g = foundKhz / 1000.0;
    const double c1 = lo + g;
    const double c2 = std::abs(g - lo);
    const double nearer = std::abs(c1 - requested) < std::abs(c2 - requested) ? c1 : c2;
    // The database keeps tenths of a MHz; cutting the rest off would store
    // 12621.9 for a carrier found at 12621.96.
    return std::round(nearer * 10.0) / 10.0;
}

double CorrectedFrequency(double requested, std::int32_t lo, std::int32_t foundFrequency) {
    return CorrectedFrequencyKhz(requested, lo, foundFrequency * 100);
}

std::string TuneFailureText(TuneFailure failure) {
    switch (failure) {
        case TuneFailure::None:
            return {};
        case TuneFailure::NoLock:
            return texts::NoLockAfterSearch();
        case TuneFailure::DemodulatorSilent:
            return texts::DemodulatorSilent();
    }
    return {};
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

TuneStatus CTuneWorker::Status() const {
    std::lock_guard lock(m_statusMutex);
    return m_status;
}

void CTuneWorker::Publish(const std::function<void(TuneStatus&)>& change) {
    TuneStatus changed;
    {
        std::lock_guard lock(m_statusMutex);
        TuneStatus next = m_status;
        change(next);
        if (next == m_status) return;
        m_status = next;
        changed = std::move(next);
    }
    // Outside the lock: the listener may read Status().
    if (m_listener) m_listener(changed);
}

bool CTuneWorker::Pass() {
    const bool locked = m_state.PublishLocked(m_demod.IsLocked() == 1);
    Publish([&](TuneStatus& s) { s.locked = locked; });
    if (!m_state.TakeTuneRequest() && locked) return true;
    return TuneCurrent();
}

void CTuneWorker::EndWithoutLock() {
    // A chip that no longer gives its identity is a different fault from an
    // empty sky, and the user is told which.
    const TuneFailure failure =
        m_demod.CheckId() ? TuneFailure::NoLock : TuneFailure::DemodulatorSilent;
    Publish([&](TuneStatus& s) {
        s.failure = failure;
        s.settled = true;
    });
}

bool CTuneWorker::TuneCurrent() {
    m_state.PublishLocked(false);
    const std::uint64_t attempt = ++m_tunes;
    const TuneTarget target = m_state.Current();
    Publish([&](TuneStatus& s) {
        s.attempt = attempt;
        s.settled = false;
        s.locked = false;
        s.satellite = target.satellite;
        s.transponder = target.transponder;
    });
    TransponderParams tp = target.tp;
    // The record as it is stored when the tune begins: the write-back lands
    // only where it still stands unchanged.
    const TuneSnapshot stored = m_database.ReadTuneSnapshot(target.satellite, target.transponder);
    if (stored.index > 0) {
        CChannelDatabase::ParseTransponderRecord(stored.record, tp);
        tp.satellite = target.satellite;
        tp.name = target.transponder;
    }
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
    m_state.PublishLocked(m_demod.TuneTransponder(tp.symbolRate, s.tunerFrequency) == 1);
    const bool locked = m_demod.IsLocked() == 1;
    m_state.PublishLocked(locked);
    // Before the tune is published as settled: whoever waits for it then
    // sets PIDs of its own, which a later restore would overwrite.
    RestorePids();
    if (m_stop.Requested()) return true;
    if (!locked) {
        EndWithoutLock();
        return true;
    }
    tp.frequency = static_cast<float>(
        CorrectedFrequencyKhz(tp.frequency, s.lo, m_demod.Result().frequencyFound));
    Publish([&](TuneStatus& st) {
        st.locked = true;
        st.frequency = tp.frequency;
        st.failure = TuneFailure::None;
        st.settled = true;
    });
    if (stored.index < 0) return true;
    const bool same = m_state.Modify([&](TuneTarget& t) {
        if (t.tp.name != name0) return false;
        t.tp.frequency = tp.frequency;
        return true;
    });
    if (!same) return false;
    // An edit, rename, renumbering or delete since the tune began wins: the
    // record is left as the user made it.
    m_database.WriteTuneRecordIfUnchanged(tp.satellite, stored,
                                          CChannelDatabase::BuildTuneRecord(tp));
    return true;
}

void CTuneWorker::RestorePids() {
    if (!m_state.TakePidRestore()) return;
    m_pids.SetUserPids(pidlist::ActivePids(m_database.ReadPidLists()));
}

}  // namespace orbix
