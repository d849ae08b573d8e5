#include "app/card_session.h"

#include "demod/demod_texts.h"
#include "platform/text.h"

namespace orbix {

TuneTarget LoadLastTransponder(const CChannelDatabase& database, TuneTarget current) {
    SatelliteTransponder last;
    if (database.ReadLast(last)) {
        current.transponder = last.transponder;
        database.ReadTransponder(last.satellite, last.transponder, current.tp);
    } else {
        database.ReadDefaultTransponder(current.tp);
    }
    current.satellite = current.tp.satellite;
    return current;
}

CCardSession::CCardSession(CardSessionContext context)
    : m_context(std::move(context)), m_database(m_context.databasePath) {}

CCardSession::~CCardSession() { Shutdown(); }

bool CCardSession::BringUp() {
    if (m_card.access) return m_up.load();
    BringUpContext card{m_context.ports, m_context.clock,  m_context.notices,
                        m_pids,          m_context.ioBase, m_context.configurationPath,
                        m_context.onStep};
    if (!BringUpCard(card, m_card)) return false;
    if (!BringUpDemod()) return false;
    m_state.SetCurrent(LoadLastTransponder(m_database, m_state.Current()));
    StartWorkers();
    m_up.store(true);
    return true;
}

bool CCardSession::BringUpDemod() {
    m_demod = std::make_unique<CDemod>();
    m_demod->SetCardAccess(m_card.access.get());
    m_demod->Init(true);
    const bool answers = m_demod->CheckId();
    if (m_context.onStep) m_context.onStep(BringUpStep::DemodulatorCheck, answers);
    if (!answers) m_context.notices.Tell(texts::TunerInitFailed());
    return answers;
}

void CCardSession::StartWorkers() {
    // Raised before the worker starts rather than after it, so that its very
    // first pass applies the stored PID list whatever the thread timing.
    m_state.RequestPidRestore();
    m_worker = std::make_unique<CTuneWorker>(*m_demod, m_pids, m_state, m_context.clock,
                                             m_context.databasePath);
    m_worker->SetStatusListener([this](const TuneStatus& s) { OnTuneStatus(s); });
    CDemod& demod = *m_demod;
    m_monitor = std::make_unique<CCardMonitor>(CardMonitorParts{
        *m_card.check, *m_card.access, m_pids, m_context.clock, m_context.notices,
        [this, &demod] {
            SignalReading r;
            demod.GetSignalInfo(r.level, r.quality);
            m_history.Record({m_context.clock.NowMs(), r.level, r.quality, m_state.Locked()});
            return r;
        },
        [this](const SignalReading& r) { OnSignal(r); }});
    m_worker->Start();
    m_monitor->Start();
}

void CCardSession::Shutdown() {
    m_up.store(false);
    // Every worker ends before anything it uses goes.
    if (m_monitor) m_monitor->Stop();
    if (m_worker) m_worker->Stop();
    m_monitor.reset();
    m_worker.reset();
    m_pids.ClearPids(PidClass::All);
    m_pids.SetCardAccess(nullptr);
    // The demodulator switches the LNB supply and tone off while it can
    // still reach the card.
    m_demod.reset();
    m_card.access.reset();
    m_card.check.reset();
}

int CCardSession::AddStatusListener(CardStatusListener listener) {
    std::lock_guard lock(m_deliverMutex);
    const int id = m_nextListener++;
    m_listeners.emplace(id, std::move(listener));
    return id;
}

void CCardSession::RemoveStatusListener(int id) {
    std::lock_guard lock(m_deliverMutex);
    m_listeners.erase(id);
}

CardStatus CCardSession::LastStatus() const {
    std::lock_guard lock(m_statusMutex);
    return m_status;
}

void CCardSession::OnTuneStatus(const TuneStatus& status) {
    Deliver([&](CardStatus& s) { s.tune = status; });
}

void CCardSession::OnSignal(const SignalReading& reading) {
    Deliver([&](CardStatus& s) { s.signal = reading; });
}

void CCardSession::Deliver(const std::function<void(CardStatus&)>& change) {
    std::lock_guard deliver(m_deliverMutex);
    CardStatus snapshot;
    {
        std::lock_guard lock(m_statusMutex);
        change(m_status);
        ++m_status.serial;
        snapshot = m_status;
    }
    for (const auto& [id, listener] : m_listeners) listener(snapshot);
}

void CCardSession::RequestTune(const TuneTarget& target) { m_state.RequestTune(target); }

void CCardSession::SetCurrent(const TuneTarget& target) { m_state.SetCurrent(target); }

}  // namespace orbix
