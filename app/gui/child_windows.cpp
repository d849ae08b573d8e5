#include "app/gui/child_windows.h"

#include "platform/stream_port.h"
#include "search/service_names.h"
#include "ui/pid/pid_set_dlg.h"
#include "ui/pid/program_pid_dlg.h"

namespace orbix {

CChildWindows::CChildWindows(ChildWiring wiring)
    : m_w(std::move(wiring)), m_database(m_w.session.DatabasePath()) {
    m_list = new CProgramListDlg(ListServices(), m_w.owner);
    m_queuedTree = std::make_unique<CQueuedProgramTree>(*m_list);
    m_queuedStatus = std::make_unique<CQueuedStatusText>(m_w.owner, m_w.setStatusText);
    m_tree = new CSatTreeDlg(TreeServices(), m_w.owner);
    m_ipData = std::make_unique<CIpDataMenu>(CIpDataMenu::Wiring{
        *m_list, m_w.notices, m_w.setStatusText, m_w.session.DatabasePath(), StreamPort()});
    m_list->hide();
    m_tree->hide();
}

CChildWindows::~CChildWindows() {
    m_ipData.reset();  // joins the reception before the list it hangs on
    delete m_tree;     // joins a running search
    delete m_list;
}

CSkinWindow* CChildWindows::Window(ChildKind kind) const {
    return kind == ChildKind::SatTree ? static_cast<CSkinWindow*>(m_tree) : m_list;
}

ProgramListServices CChildWindows::ListServices() {
    CPlayerControl& player = m_w.player;
    CCardSession& session = m_w.session;
    return {
        .notices = m_w.notices,
        .locked = [&session] { return session.Locked(); },
        .play = [&player](const ProgramSelection& program) { player.PlayProgram(program); },
        .record = [&player](const ProgramSelection& program) { player.RecordProgram(program); },
        .showProgramInfo = [this](const ProgramEntry& entry) { ShowProgramInfo(entry); },
        .openPidSettings = [this] { OpenPidSettings(); },
        .closed = [this] { m_w.closed(ChildKind::ProgramList); },
        .databasePath = m_w.session.DatabasePath(),
    };
}

SatTreeServices CChildWindows::TreeServices() {
    CCardSession& session = m_w.session;
    CPlayerControl& player = m_w.player;
    return {
        .notices = m_w.notices,
        .pidFilter = session.PidFilter(),
        .clock = session.Clock(),
        .programTree = *m_queuedTree,
        .statusText = *m_queuedStatus,
        .locked = [&session] { return session.Locked(); },
        .tunerLocked = [&session] { return session.Locked(); },
        .stopPlayer = [&player] { player.StopPlayer(); },
        .requestTune = [&session](const TuneTarget& target) { session.RequestTune(target); },
        .currentTarget = [&session] { return session.Current(); },
        .setCurrent = [&session](const TuneTarget& target) { session.SetCurrent(target); },
        .clearProgramTree = [this] { return m_list->ClearTree(); },
        .rebuildProgramTree = [this] { m_list->RebuildProgramTree(); },
        .closed = [this] { m_w.closed(ChildKind::SatTree); },
        .paramDialog = {},
        .databasePath = session.DatabasePath(),
    };
}

void CChildWindows::ShowProgramInfo(const ProgramEntry& entry) {
    CProgramPidDlg dialog(m_list);
    dialog.SetProgram(entry);
    dialog.provider = ReadProvider(m_w.session.DatabasePath(), entry.name);
    dialog.exec();
}

void CChildWindows::OpenPidSettings() {
    CPidSetDlg dialog(m_database, m_w.session.PidFilter(), m_w.notices, m_list);
    dialog.exec();
}

}  // namespace orbix
