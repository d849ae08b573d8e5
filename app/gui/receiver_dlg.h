#pragma once

#include <QSystemTrayIcon>
#include <array>
#include <memory>
#include <string>

#include "app/card_session.h"
#include "app/gui/child_windows.h"
#include "app/gui/meter_window.h"
#include "app/gui/player.h"
#include "app/gui/qt_notices.h"
#include "app/gui/stats_window.h"
#include "app/gui/status_panel.h"
#include "app/gui/status_wiring.h"
#include "app/gui/stream_health_wiring.h"
#include "app/gui/tray.h"
#include "ui/skin_window.h"

namespace orbix {

// What the main window coordinates; the session and the notices outlive it.
struct ReceiverParts {
    CCardSession& session;
    CQtNotices& notices;
    bool useSystemTray = QSystemTrayIcon::isSystemTrayAvailable();
    // Shutdown ends the application's event loop with 0; tests turn it off.
    bool endEventLoop = true;
};

// The main window: the skinned 350 x 122 face with its eight buttons, the
// status display, the tray icon, the two docked children and the player. It
// coordinates; the card lives in the session, the display in the status
// panel, the tray in CTray, the children in CChildWindows, the play, stop
// and save commands in CPlayerControl.
class CReceiverDlg final : public CSkinWindow {
    Q_OBJECT

  public:
    explicit CReceiverDlg(ReceiverParts parts);
    ~CReceiverDlg() override;

    // Brings the card up through the session, then starts the status timer,
    // makes the children hidden at their places and adds the tray icon. On
    // false the user has been told why and nothing runs: end the program.
    bool BringUp();
    // Stops the player, clears the PID filter, removes the tray icon, lets
    // waiting workers go, joins the program search and shuts the session
    // down (joining its threads), hides the windows, then ends the event loop
    // with 0. The children are destroyed with this window. Safe to repeat.
    void Shutdown();
    bool ShutDown() const { return m_shutDown; }

    // --- tray and menu commands
    void Restore();  // main window, then the children whose shown flags are set
    void ShowAll();  // all three windows
    void HideAll();
    void Minimise();  // to the tray, or to the task bar where there is no tray
    void RunAbout();
    void ToggleChild(ChildKind kind);  // buttons 6 and 7

    // --- for the children and the player
    // A child's own close button clears its shown flag.
    void ChildClosed(ChildKind kind) { ShownFlag(kind) = 0; }
    int Shown(ChildKind kind) const { return m_shown[Index(kind)]; }
    CSkinWindow* Child(ChildKind kind) const {
        return m_children ? m_children->Window(kind) : nullptr;
    }
    CChildWindows* Children() const { return m_children.get(); }
    // The lock as the tune-and-lock worker published it; the status display,
    // the tray, the player and both children all read this one state.
    bool Locked() const { return m_parts.session.Locked(); }
    // Moves the main window and the docked children as one group.
    CDockManager& Docks() { return m_docks; }
    void SetLabelText(const std::string& textGbk);  // label 1061
    QString LabelText() const { return m_labelText; }

    CStatusPanel& Status() { return m_panel; }
    CTray& Tray() { return *m_tray; }
    CPlayerControl& Player() { return m_player.Control(); }
    CCardSession& Session() { return m_parts.session; }

    // --- the stream's health and the aiming meter
    void OpenMeter();  // main face's context menu, tray menu
    void OpenStats();  // program list's context menu "码流统计"
    CMeterWindow* Meter() const { return m_meter.get(); }
    CStatsWindow* Stats() const { return m_stats.get(); }
    CStreamHealthWiring* StreamHealth() const { return m_health.get(); }
    // The no-data warning shown in place of the label text, or empty.
    QString StreamWarning() const { return m_streamWarning; }

    static QRect LabelRect();
    // Where "正在保存节目" stands while a recording runs.
    static QRect SavingRect();

  protected:
    void OnButton(int index) override;
    void PaintOver(QPainter& painter, const QRect& updateRect) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    static int Index(ChildKind kind) { return kind == ChildKind::SatTree ? 0 : 1; }
    int& ShownFlag(ChildKind kind) { return m_shown[Index(kind)]; }
    void MakeChildren();
    void PlaceChildren();
    void ShowChild(ChildKind kind);
    void HideChildren();
    void RunPlayerCommand(int button);
    // Repaints the saving text when the player's recording state changed.
    void SyncSavingText();
    void PaintSavingText(QPainter& painter) const;
    void StartStreamHealth();
    void OnNoData(bool noData);

    ReceiverParts m_parts;
    CDockManager m_docks;  // before the children, which it outlives
    std::unique_ptr<CTray> m_tray;
    CStatusPanel m_panel;
    CStatusWiring m_wiring;
    CReceiverPlayer m_player;
    std::unique_ptr<CChildWindows> m_children;  // made by BringUp
    std::array<int, 2> m_shown{};               // m_treeShown, m_listShown
    QString m_labelText;
    QString m_streamWarning;
    std::unique_ptr<CStreamHealthWiring> m_health;  // made by BringUp
    std::unique_ptr<CMeterWindow> m_meter;          // made when first opened
    std::unique_ptr<CStatsWindow> m_stats;
    bool m_savingShown = false;
    bool m_up = false;
    bool m_shutDown = false;
};

}  // namespace orbix
