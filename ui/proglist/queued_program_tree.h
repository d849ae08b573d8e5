#pragma once

#include <string>

#include "search/program_search.h"

namespace orbix {

class CProgramListDlg;

// The program list as a search worker reaches it. Every call may come from
// any thread and becomes a call queued to the window's (GUI) thread, in the
// order made, so the worker never touches a widget. The window must outlive
// the worker: join the search before destroying it.
class CQueuedProgramTree final : public IProgramTree {
  public:
    explicit CQueuedProgramTree(CProgramListDlg& window) : m_window(window) {}

    void AddProgramItem(const std::string& nameGbk, bool tv) override;
    void ExpandFirstItem() override;
    // At the end of a search: the window rebuilds its tree from what the
    // search stored and repaints.
    void Redraw() override;

  private:
    CProgramListDlg& m_window;
};

}  // namespace orbix
