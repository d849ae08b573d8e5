#include "card/card_monitor.h"

#include "card/card_access.h"
#include "card/card_check.h"
#include "card/card_texts.h"
#include "card/pid_filter.h"

namespace orbix {

CCardMonitor::CCardMonitor(CardMonitorParts parts) : m_parts(std::move(parts)) {}

CCardMonitor::~CCardMonitor() { Stop(); }

void CCardMonitor::Start() {
    if (m_thread.joinable()) return;
    m_stop.Reset();
    m_running.store(true);
    m_thread = std::thread([this] { Run(); });
}

void CCardMonitor::Stop() {
    if (!m_thread.joinable()) return;
    m_stop.Request();
    m_thread.join();
    m_running.store(false);
}

void CCardMonitor::Run() {
    while (!m_stop.Requested() && Cycle()) {
    }
    m_running.store(false);
}

bool CCardMonitor::Cycle() {
    ReadSignal();
    if (!m_parts.clock.SleepUnlessStopped(kCycleMs, m_stop)) return true;
    if (!m_parts.check.CheckStatus()) {
        m_parts.notices.Tell(texts::EepromRegisterError());
        return false;
    }
    if (!LogicAnswers()) Reload();
    return true;
}

void CCardMonitor::ReadSignal() {
    if (!m_parts.readSignal) return;
    const SignalReading reading = m_parts.readSignal();
    if (m_haveReading && reading == m_last) return;
    m_haveReading = true;
    m_last = reading;
    if (m_parts.onSignal) m_parts.onSignal(reading);
}

// Any answer among the probes will do: a logic that answers at all still
// holds its configuration.
bool CCardMonitor::LogicAnswers() {
    bool answered = false;
    for (int i = 0; i < kLogicProbes; ++i) {
        if (m_parts.access.CheckLogicId()) answered = true;
        m_parts.clock.SleepMs(1);
    }
    return answered;
}

void CCardMonitor::Reload() {
    ++m_reloads;
    m_parts.access.LoadConfiguration();
    m_parts.access.RewriteControl();
    m_parts.pids.RewritePids();
}

}  // namespace orbix
