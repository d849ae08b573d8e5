#include "app/gui/status_wiring.h"

#include "ui/post_to_gui.h"

namespace orbix {

CStatusWiring::CStatusWiring(CCardSession& session, CStatusPanel& panel, QObject* parent)
    : QObject(parent), m_session(session), m_panel(panel) {}

CStatusWiring::~CStatusWiring() { Disconnect(); }

void CStatusWiring::Connect() {
    if (m_listener != 0) return;
    m_listener = m_session.AddStatusListener(
        [this](const CardStatus& status) { PostToGui(this, [this, status] { Apply(status); }); });
}

void CStatusWiring::Disconnect() {
    if (m_listener == 0) return;
    m_session.RemoveStatusListener(m_listener);
    m_listener = 0;
}

void CStatusWiring::Apply(const CardStatus& status) {
    // Calls arrive in order, but a late one must not undo a newer one.
    if (status.serial <= m_serial) return;
    m_serial = status.serial;
    m_panel.OnReadings(status.signal.level, status.signal.quality);
}

}  // namespace orbix
