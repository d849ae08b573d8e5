#include "app/gui/stream_health_wiring.h"

#include <cstdio>

namespace orbix {

CStreamHealthWiring::CStreamHealthWiring(CCardSession& session, QObject* parent)
    : QObject(parent), m_session(session), m_health(session.Clock()) {
    // The statistics cost a little per packet: only while their window asks.
    m_health.reader.SetStatisticsOn(false);
    m_timer.setInterval(kCheckMs);
    connect(&m_timer, &QTimer::timeout, this, &CStreamHealthWiring::Check);
}

CStreamHealthWiring::~CStreamHealthWiring() { Stop(); }

bool CStreamHealthWiring::Start(int port) {
    std::string error;
    if (!m_health.reader.Start(port, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    m_timer.start();
    return true;
}

void CStreamHealthWiring::Stop() {
    m_timer.stop();
    m_health.reader.Stop();
}

void CStreamHealthWiring::Check() {
    const bool inUse = !PidsInUse(m_session.PidFilter().Table()).empty();
    const bool noData = m_health.watchdog.NoData(m_session.Locked(), inUse);
    if (noData == m_noData) return;
    m_noData = noData;
    if (noDataChanged) noDataChanged(noData);
}

}  // namespace orbix
