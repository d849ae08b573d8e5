// The main window's bring-up and shutdown: the card through the session,
// then the timer, the children and the tray; and the ordered way back.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include "app/gui/receiver_dlg.h"

namespace orbix {

bool CReceiverDlg::BringUp() {
    if (!m_parts.session.BringUp()) return false;
    m_up = true;
    // The last transponder is known now; the text starts from it.
    m_panel.Reset(m_parts.session.Current().transponder);
    m_wiring.Connect();
    m_panel.Start();
    MakeChildren();
    StartStreamHealth();
    m_tray->Add();
    return true;
}

void CReceiverDlg::MakeChildren() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect centred(QPoint(0, 0), size());
        centred.moveCenter(screen->availableGeometry().center());
        move(centred.topLeft());
    }
    m_docks.SetMainWindow(DockHandle());
    // The player exists already; the program list uses it, the satellite
    // tree uses both.
    m_children = std::make_unique<CChildWindows>(
        ChildWiring{this, m_parts.session, m_parts.notices, m_player.Control(),
                    [this](const std::string& text) { SetLabelText(text); },
                    [this](ChildKind kind) { ChildClosed(kind); }});
    for (ChildKind kind : {ChildKind::ProgramList, ChildKind::SatTree})
        Child(kind)->SetDockManager(&m_docks);
    PlaceChildren();
}

void CReceiverDlg::PlaceChildren() {
    const QRect m = geometry();
    // The list hangs under the main window, overlapping its bottom edge by 3
    // pixels; the tree stands at its right, overlapping by 1.
    if (CSkinWindow* list = Child(ChildKind::ProgramList))
        list->move(m.left(), m.top() + m.height() - 3);
    if (CSkinWindow* tree = Child(ChildKind::SatTree))
        tree->move(m.left() + m.width() - 1, m.top());
}

void CReceiverDlg::Shutdown() {
    if (m_shutDown) return;
    m_shutDown = true;
    m_panel.Stop();
    m_player.Control().StopPlayer();
    if (m_up) m_parts.session.PidFilter().ClearPids(PidClass::All);
    m_tray->Remove();
    // Workers waiting on a box get their answer now, so the joins end.
    m_parts.notices.BeginShutdown();
    // The search writes to the program list and the label: it ends first.
    if (m_children) m_children->SatTree().StopSearch();
    m_wiring.Disconnect();
    // The windows that read the session's history and the stream go first.
    m_stats.reset();
    m_meter.reset();
    m_health.reset();
    m_parts.session.Shutdown();
    for (ChildKind kind : {ChildKind::ProgramList, ChildKind::SatTree}) {
        if (CSkinWindow* child = Child(kind)) child->HideUndocked();
    }
    hide();
    if (QCoreApplication* app = QCoreApplication::instance(); app && m_parts.endEventLoop)
        app->exit(0);
}

}  // namespace orbix
