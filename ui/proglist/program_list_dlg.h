#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "db/channel_database.h"
#include "platform/notices.h"
#include "ui/skin_window.h"

class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace orbix {

// What the program list window asks of the rest of the program. All texts
// are GBK. An empty function does nothing and counts as a failure.
struct ProgramListServices {
    INotices& notices;
    // The main window's signal-locked flag (m_locked != 0).
    std::function<bool()> locked{};
    // The main window's StartPlayer(group): group text of the program's parent,
    // empty for a top-level item.
    std::function<bool(const std::string& groupGbk)> startPlayer{};
    // The main window's StartRecording(); asks the user for the file.
    std::function<bool()> startRecording{};
    // The main window's SendProgramPids(name).
    std::function<bool(const std::string& nameGbk)> sendProgramPids{};
    // The main window's status text (label 1061).
    std::function<void(const std::string& textGbk)> setStatusText{};
    // Shows the program PID dialog (147) modally with the stored program.
    std::function<void(const ProgramEntry& entry)> showProgramInfo{};
    // Shows the PID settings dialog (152) modally.
    std::function<void()> openPidSettings{};
    // The window was closed by its own button: the main window clears
    // m_listShown.
    std::function<void()> closed{};
    std::string databasePath = CChannelDatabase::kDefaultPath;
};

// The selected item of the tree as the main window's play and save commands
// read it.
struct ProgramListSelection {
    bool any = false;      // false when no item is selected
    std::string textGbk;   // the item's text: a program name or a group
    std::string groupGbk;  // the parent's text, empty for a group
};

// The program list window (dialog 138): the stored programs as a tree under
// the groups "电视节目", "广播节目" and "IP节目", with buttons and a context
// menu to play, record, inspect and delete them. GUI thread only; a search
// worker reaches it through CQueuedProgramTree.
class CProgramListDlg final : public CSkinWindow {
    Q_OBJECT

  public:
    // Context menu commands (menu 161).
    enum Command : int { kCmdPlay = 32775, kCmdSave = 32776, kCmdInfo = 32777, kCmdDelete = 32779 };
    static constexpr int kTreeId = 1042;

    explicit CProgramListDlg(ProgramListServices services, QWidget* parent = nullptr);
    ~CProgramListDlg() override;

    // Empties the tree, inserts the three groups and every program stored in
    // section "PID", skipping absent keys. Groups that were expanded stay so.
    void RebuildProgramTree();
    // Deletes every item, groups included. True when the tree is empty.
    bool ClearTree();
    // Appends a program under its group; nothing when the group is missing.
    void AddProgramItem(const std::string& nameGbk, bool tv);
    // Expands the "电视节目" group.
    void ExpandFirstItem();
    // The end of a search: the tree is rebuilt from what the search stored
    // and the whole window repainted.
    void Redraw();

    ProgramListSelection SelectedProgram() const;
    // A further command at the end of the context menu, after a separator.
    void AddMenuCommand(const QString& text, std::function<void()> run);
    QTreeWidget* Tree() const { return m_tree; }
    // The context menu, for commands other parts add, and the item it was
    // opened on (null when gone).
    QMenu* ContextMenu() const { return m_menu; }
    const QTreeWidgetItem* ClickedItem() const { return m_clicked; }

  protected:
    void OnButton(int index) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct MenuCommand {
        Command id;
        const char* text;
        void (CProgramListDlg::*run)();
    };
    static const MenuCommand kMenuCommands[];

    void BuildContextMenu();
    void LoadProgramTree();
    void AddItem(const std::string& nameGbk, bool tv, const std::string& keyGbk);
    QTreeWidgetItem* SelectedItem() const;
    std::string KeyOf(const QTreeWidgetItem* item) const;

    void OnDoubleClick();
    void PlayFromMenu();
    void SaveFromMenu();
    void InfoFromMenu();
    void DeleteProgram();
    void ShowInfo(const QTreeWidgetItem* item);
    bool CheckMenuTarget(const QTreeWidgetItem* item, std::string_view scrambledText);
    void Play(const QTreeWidgetItem* item);
    void Record(const QTreeWidgetItem* item);
    void Tell(std::string_view textUtf8);
    bool Locked() const;

    ProgramListServices m_services;
    CChannelDatabase m_db;
    // The item of the last click or right click in the tree, or of the last
    // delete; null when that item is gone.
    QTreeWidgetItem* m_clicked = nullptr;
    QTreeWidget* m_tree = nullptr;
    QMenu* m_menu = nullptr;
};

}  // namespace orbix
