#pragma once

#include <QObject>

#include "app/card_session.h"
#include "app/gui/status_panel.h"

namespace orbix {

// Carries the card session's status to the status display: each snapshot,
// delivered on a worker's or the monitor's thread, becomes a queued call on
// the user-interface thread, which hands the readings to the panel. The lock
// is not copied here: the windows read the session's published one. Nothing here is drawn off that
// thread.
class CStatusWiring final : public QObject {
  public:
    CStatusWiring(CCardSession& session, CStatusPanel& panel, QObject* parent = nullptr);
    // Stops listening; queued calls still pending are dropped with this object.
    ~CStatusWiring() override;

    // Registers the listener; call once the window is ready for events.
    void Connect();
    void Disconnect();

    std::uint64_t Serial() const { return m_serial; }

  private:
    void Apply(const CardStatus& status);

    CCardSession& m_session;
    CStatusPanel& m_panel;
    int m_listener = 0;
    std::uint64_t m_serial = 0;
};

}  // namespace orbix
