#include "ui/proglist/queued_program_tree.h"

#include "ui/post_to_gui.h"
#include "ui/proglist/program_list_dlg.h"

namespace orbix {

void CQueuedProgramTree::AddProgramItem(const std::string& nameGbk, bool tv) {
    CProgramListDlg* window = &m_window;
    PostToGui(window, [window, nameGbk, tv] { window->AddProgramItem(nameGbk, tv); });
}

void CQueuedProgramTree::ExpandFirstItem() {
    CProgramListDlg* window = &m_window;
    PostToGui(window, [window] { window->ExpandFirstItem(); });
}

void CQueuedProgramTree::Redraw() {
    CProgramListDlg* window = &m_window;
    PostToGui(window, [window] { window->Redraw(); });
}

}  // namespace orbix
