#include "app/gui/stats_window.h"

#include <QHeaderView>
#include <QVBoxLayout>

#include "app/gui/gui_texts.h"
#include "platform/text.h"
#include "ui/qt_text.h"

namespace orbix {
namespace {

QStringList RowTexts(const PidStatsRow& r, std::int64_t nowMs) {
    const QString seen =
        r.lastSeenMs < 0 ? TrGbk(texts::StatsNever())
                         : TrGbk(texts::StatsSecondsAgo())
                               .arg(static_cast<double>(nowMs - r.lastSeenMs) / 1000.0, 0, 'f', 1);
    return {QStringLiteral("0x%1").arg(r.pid, 4, 16, QLatin1Char('0')),
            QString::number(r.packetsPerSecond, 'f', 1),
            QString::number(r.bitsPerSecond / 1000.0, 'f', 1),
            QString::number(r.packets),
            QString::number(r.ccErrors),
            QString::number(r.transportErrors),
            TrGbk(r.scrambled ? texts::Yes() : texts::No()),
            seen};
}

}  // namespace

CStatsWindow::CStatsWindow(CStreamHealthWiring& health, IpDataSource ipData, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_health(health),
      m_table(new QTableWidget(this)),
      m_totals(new QLabel(this)),
      m_ipDataSource(std::move(ipData)),
      m_ipData(new QLabel(this)) {
    setWindowTitle(TrGbk(texts::StatsTitle()));
    const QStringList heads = TrGbk(texts::StatsColumns()).split(QLatin1Char('|'));
    m_table->setColumnCount(static_cast<int>(heads.size()));
    m_table->setHorizontalHeaderLabels(heads);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_totals);
    layout->addWidget(m_ipData);
    m_ipData->hide();
    resize(640, 320);
    m_timer.setInterval(kRefreshMs);
    connect(&m_timer, &QTimer::timeout, this, &CStatsWindow::Refresh);
}

CStatsWindow::~CStatsWindow() { m_health.Health().reader.SetStatisticsOn(false); }

void CStatsWindow::Refresh() {
    CStreamHealth& health = m_health.Health();
    health.statistics.Watch(PidsInUse(m_health.Session().PidFilter().Table()));
    const PidStatsSnapshot s = health.statistics.Snapshot(m_health.Session().Clock().NowMs());
    m_table->setRowCount(static_cast<int>(s.rows.size()));
    for (int row = 0; row < static_cast<int>(s.rows.size()); ++row) {
        const QStringList cells = RowTexts(s.rows[static_cast<std::size_t>(row)], s.timeMs);
        for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
            QTableWidgetItem* item = m_table->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                m_table->setItem(row, column, item);
            }
            item->setText(cells[column]);
        }
    }
    m_totals->setText(TrGbk(texts::StatsTotals())
                          .arg(s.datagramsPerSecond, 0, 'f', 1)
                          .arg(s.datagrams)
                          .arg(s.malformedDatagrams));
    ShowIpData();
}

void CStatsWindow::ShowIpData() {
    const auto state = m_ipDataSource ? m_ipDataSource() : std::nullopt;
    m_ipData->setVisible(state.has_value());
    if (!state) return;
    const IpDataCounters& c = state->counters;
    m_ipData->setText(TrGbk(texts::StatsIpData())
                          .arg(QString::fromStdString(state->interfaceName))
                          .arg(c.mpe.sections)
                          .arg(c.mpe.datagrams)
                          .arg(c.mpe.bytes)
                          .arg(c.mpe.crcErrors)
                          .arg(c.Drops()));
}

void CStatsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    CStreamHealth& health = m_health.Health();
    health.statistics.Reset();
    health.reader.SetStatisticsOn(true);
    Refresh();
    m_timer.start();
}

void CStatsWindow::hideEvent(QHideEvent* event) {
    m_timer.stop();
    m_health.Health().reader.SetStatisticsOn(false);
    QWidget::hideEvent(event);
}

}  // namespace orbix
