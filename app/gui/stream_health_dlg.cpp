// The main window's share of the stream's health: the no-data warning in
// the status line and the tray tip, the aiming meter and the statistics.
#include "app/gui/gui_texts.h"
#include "app/gui/receiver_dlg.h"
#include "platform/stream_port.h"
#include "search/search_texts.h"
#include "ui/qt_text.h"

namespace orbix {

void CReceiverDlg::StartStreamHealth() {
    m_health = std::make_unique<CStreamHealthWiring>(m_parts.session);
    m_health->noDataChanged = [this](bool noData) { OnNoData(noData); };
    m_health->Start(StreamPort());
    if (m_children) {
        m_children->ProgramList().AddMenuCommand(TrGbk(texts::StatsTitle()),
                                                 [this] { OpenStats(); });
    }
}

void CReceiverDlg::OnNoData(bool noData) {
    m_streamWarning = noData ? TrGbk(texts::NoDataStatus()) : QString();
    m_tray->SetWarningTip(noData ? TrGbk(texts::NoDataTip()) : QString());
    update(LabelRect());
}

void CReceiverDlg::OpenMeter() {
    if (!m_meter) {
        m_meter = std::make_unique<CMeterWindow>(
            MeterWindowParts{m_parts.session.SignalHistory(), m_parts.notices, {}});
    }
    m_meter->show();
    m_meter->raise();
}

void CReceiverDlg::OpenStats() {
    if (!m_health) return;
    if (!m_stats) {
        m_stats = std::make_unique<CStatsWindow>(
            *m_health, [this]() -> std::optional<CStatsWindow::IpDataState> {
                if (!m_children || !m_children->IpData().Running()) return std::nullopt;
                const CIpDataMenu& ip = m_children->IpData();
                return CStatsWindow::IpDataState{ip.RunningInterface(), ip.Counters()};
            });
    }
    m_stats->show();
    m_stats->raise();
}

}  // namespace orbix
