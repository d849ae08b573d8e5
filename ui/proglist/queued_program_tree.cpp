#include "ui/proglist/queued_program_tree.h"

#include <QMetaObject>

#include "ui/proglist/program_list_dlg.h"

namespace orbix {

void CQueuedProgramTree::AddProgramItem(const std::string& nameGbk, bool tv) {
    CProgramListDlg* window = &m_window;
    QMetaObject::invokeMethod(
        window, [window, nameGbk, tv] { window->AddProgramItem(nameGbk, tv); },
        Qt::QueuedConnection);
}

void CQueuedProgramTree::ExpandFirstItem() {
    CProgramListDlg* window = &m_window;
    QMetaObject::invokeMethod(
        window, [window] { window->ExpandFirstItem(); }, Qt::QueuedConnection);
}

void CQueuedProgramTree::Redraw() {
    CProgramListDlg* window = &m_window;
    QMetaObject::invokeMethod(
        window, [window] { window->Redraw(); }, Qt::QueuedConnection);
}

}  // namespace orbix
