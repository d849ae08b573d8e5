#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/card_session.h"
#include "app/gui/ip_data_menu.h"
#include "app/gui/queued_status_text.h"
#include "app/player/player_control.h"
#include "ui/proglist/program_list_dlg.h"
#include "ui/proglist/queued_program_tree.h"
#include "ui/sattree/sat_tree_dlg.h"

namespace orbix {

// The two docked children of the main window.
enum class ChildKind { SatTree, ProgramList };

// What the children get from the main window. The references outlive them.
struct ChildWiring {
    QWidget* owner;  // the main window: the children's Qt parent
    CCardSession& session;
    INotices& notices;
    CPlayerControl& player;
    // Label 1061; user-interface thread (the search reaches it queued).
    std::function<void(const std::string& textGbk)> setStatusText;
    // A child's own close button hid it.
    std::function<void(ChildKind)> closed;
};

// The program list and the satellite tree windows, made hidden in that
// order (the tree's search fills the list), with the queued views the
// search worker uses. The satellite tree goes first when they are destroyed,
// joining its search before the list and the label it writes to.
class CChildWindows {
  public:
    explicit CChildWindows(ChildWiring wiring);
    ~CChildWindows();
    CChildWindows(const CChildWindows&) = delete;
    CChildWindows& operator=(const CChildWindows&) = delete;

    CSkinWindow* Window(ChildKind kind) const;
    CProgramListDlg& ProgramList() const { return *m_list; }
    CSatTreeDlg& SatTree() const { return *m_tree; }
    CIpDataMenu& IpData() const { return *m_ipData; }

  private:
    ProgramListServices ListServices();
    SatTreeServices TreeServices();
    void ShowProgramInfo(const ProgramEntry& entry);
    void OpenPidSettings();

    ChildWiring m_w;
    CChannelDatabase m_database;  // for the PID settings dialog
    CProgramListDlg* m_list = nullptr;
    std::unique_ptr<CQueuedProgramTree> m_queuedTree;
    std::unique_ptr<CQueuedStatusText> m_queuedStatus;
    CSatTreeDlg* m_tree = nullptr;
    std::unique_ptr<CIpDataMenu> m_ipData;  // on the program list's menu
};

}  // namespace orbix
