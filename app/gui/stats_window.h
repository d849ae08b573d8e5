#pragma once

#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "app/gui/stream_health_wiring.h"
#include "search/ip_data_receiver.h"

namespace orbix {

// "码流统计": per-PID packet and bit rates, continuity-counter errors,
// transport errors, scrambling and the last-seen time for the PIDs in the
// card's filter, and the datagram totals. It turns the statistics on while
// shown (from a fresh start) and off again when hidden. While IP data is
// received, its counters show beneath.
class CStatsWindow final : public QWidget {
  public:
    static constexpr int kRefreshMs = 1000;

    // The interface and the counters of a running IP data reception;
    // nullopt while none runs.
    struct IpDataState {
        std::string interfaceName;
        IpDataCounters counters;
    };
    using IpDataSource = std::function<std::optional<IpDataState>()>;

    explicit CStatsWindow(CStreamHealthWiring& health, IpDataSource ipData = {},
                          QWidget* parent = nullptr);
    ~CStatsWindow() override;

    // Watches the filter's PIDs and shows a snapshot; the timer calls it.
    void Refresh();
    const QTableWidget& Table() const { return *m_table; }
    QString Totals() const { return m_totals->text(); }
    // Empty while no IP data reception runs.
    QString IpDataLine() const { return m_ipData->isHidden() ? QString() : m_ipData->text(); }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void ShowIpData();

    CStreamHealthWiring& m_health;
    QTableWidget* m_table;
    QLabel* m_totals;
    IpDataSource m_ipDataSource;
    QLabel* m_ipData;
    QTimer m_timer;
};

}  // namespace orbix
