#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

#include "app/card_session.h"
#include "search/stream_health.h"

namespace orbix {

// The main window's eye on the card's stream: a reader on its own socket
// feeds the no-data watchdog (and the statistics while their window is
// open); once a second the watchdog is asked, and a change of its verdict is
// told on the user-interface thread.
class CStreamHealthWiring final : public QObject {
  public:
    static constexpr int kCheckMs = 1000;

    CStreamHealthWiring(CCardSession& session, QObject* parent = nullptr);
    ~CStreamHealthWiring() override;

    // False, after saying why on standard error, when the port cannot be read.
    bool Start(int port);
    void Stop();

    // One check; the timer calls it, tests may call it directly.
    void Check();
    bool NoData() const { return m_noData; }
    CStreamHealth& Health() { return m_health; }
    CCardSession& Session() { return m_session; }

    std::function<void(bool noData)> noDataChanged;

  private:
    CCardSession& m_session;
    CStreamHealth m_health;
    QTimer m_timer;
    bool m_noData = false;
};

}  // namespace orbix
