#pragma once

#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>

#include "app/gui/stream_health_wiring.h"

namespace orbix {

// "码流统计": per-PID packet and bit rates, continuity-counter errors,
// transport errors, scrambling and the last-seen time for the PIDs in the
// card's filter, and the datagram totals. It turns the statistics on while
// shown (from a fresh start) and off again when hidden.
class CStatsWindow final : public QWidget {
  public:
    static constexpr int kRefreshMs = 1000;

    explicit CStatsWindow(CStreamHealthWiring& health, QWidget* parent = nullptr);
    ~CStatsWindow() override;

    // Watches the filter's PIDs and shows a snapshot; the timer calls it.
    void Refresh();
    const QTableWidget& Table() const { return *m_table; }
    QString Totals() const { return m_totals->text(); }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    CStreamHealthWiring& m_health;
    QTableWidget* m_table;
    QLabel* m_totals;
    QTimer m_timer;
};

}  // namespace orbix
